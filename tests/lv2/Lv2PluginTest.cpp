// The LV2 plug-in through the record a host calls, against the VST 2 effect built
// in-process: any rate, block size and buffer layout, odd control values and
// missing buffers give the effect's samples bit for bit (or silence), and run()
// allocates nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "lv2/Lv2Descriptor.h"
#include "lv2/Lv2Ports.h"
#include "tests/support/EffectScopes.h"

// Every allocation of this program is counted. new and delete go to malloc and
// free, so the sanitizers still see each allocation paired with its release.
namespace {
std::atomic<long> allocations{0};
}  // namespace
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    void* memory = operator new(size, std::nothrow);
    return memory != nullptr ? memory : throw std::bad_alloc();
}
// Not inlined, so the compiler does not pair a new it sees with this free.
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace qp::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::uint32_t kFrames = 2000;
constexpr float kBeyond = 12345.0f;  // after each buffer's last frame

// Different signals on the two inputs, loud enough to open the gate often.
std::vector<float> signal(double frequency, double phase) {
    std::vector<float> samples(kFrames);
    for (std::uint32_t n = 0; n < kFrames; ++n) {
        samples[n] = float(0.6 * std::sin(frequency * n + phase) + 0.2 * std::sin(3.1 * n));
    }
    return samples;
}

// The VST 2 effect, fed the same blocks, its values set with setParameter.
struct Reference {
    void block(const float* left, const float* right, std::uint32_t frames, float sens, float buzz) {
        effect.setParameter(kSensIndex, sens);
        effect.setParameter(kBuzzIndex, buzz);
        std::vector<float> in0(left, left + frames), in1(right, right + frames), out0(frames), out1(frames);
        float* inputs[2] = {in0.data(), in1.data()};
        float* outputs[2] = {out0.data(), out1.data()};
        effect.processReplacing(inputs, outputs, Int32(frames));
        left0.insert(left0.end(), out0.begin(), out0.end());
        right0.insert(right0.end(), out1.begin(), out1.end());
    }
    MemoryPlatformScope platform;
    RecordingHost host;
    EditorFactoryScope noEditor{nullptr};
    BuzzEffect effect{&RecordingHost::callback};
    std::vector<float> left0, right0;
};

// Which buffer each audio port (in_left, in_right, out_left, out_right) uses:
// 0 and 1 hold the left and right input, 2 and 3 are output buffers.
using Layout = std::array<int, 4>;
constexpr Layout kSeparate{0, 1, 2, 3}, kInPlace{0, 1, 0, 1}, kCrossed{0, 1, 1, 0}, kOneBuffer{0, 0, 0, 0};

struct Plugin {
    explicit Plugin(double rate, const LV2_Feature* const* features = nullptr)
        : handle(descriptor->instantiate(descriptor, rate, "/nowhere/", features)) {
        connect(lv2::kSens, &sens);
        connect(lv2::kBuzz, &buzz);
    }
    ~Plugin() { descriptor->cleanup(handle); }
    void connect(std::uint32_t port, void* data) { descriptor->connect_port(handle, port, data); }

    // One block through buffers laid out as `layout`; the outputs are kept. With
    // the audio port `missing` unconnected the connected outputs must be silent,
    // and the block is left out of what is kept.
    void block(const Layout& layout, const float* left, const float* right, std::uint32_t frames,
               std::uint32_t missing = lv2::kPortCount) {
        std::vector<float> buffers[4] = {{left, left + frames}, {right, right + frames}};
        buffers[2].assign(frames, -1.0f);
        buffers[3].assign(frames, -1.0f);
        for (std::uint32_t port = lv2::kInLeft; port <= lv2::kOutRight; ++port) {
            buffers[port].push_back(kBeyond);
            connect(port, port == missing ? nullptr : buffers[layout[port]].data());
        }
        const long before = allocations.load();
        descriptor->run(handle, frames);
        EXPECT_EQ(allocations.load(), before) << "run() allocated";
        for (const std::vector<float>& buffer : buffers) {
            EXPECT_EQ(buffer.back(), kBeyond) << "run() wrote beyond its block";
        }
        if (missing != lv2::kPortCount) {
            for (std::uint32_t out = lv2::kOutLeft; out <= lv2::kOutRight; ++out) {
                EXPECT_TRUE(out == missing ||
                            std::count(buffers[out].begin(), buffers[out].end(), 0.0f) == frames);
            }
            return;
        }
        left0.insert(left0.end(), buffers[layout[2]].begin(), buffers[layout[2]].end() - 1);
        right0.insert(right0.end(), buffers[layout[3]].begin(), buffers[layout[3]].end() - 1);
    }

    const LV2_Descriptor* descriptor = lv2::descriptor(0);
    LV2_Handle handle;
    float sens = 0.8f, buzz = 0.3f;
    std::vector<float> left0, right0;
};

void expectSameSamples(const Plugin& plugin, const Reference& reference) {
    ASSERT_EQ(plugin.left0.size(), reference.left0.size());
    EXPECT_EQ(std::memcmp(plugin.left0.data(), reference.left0.data(), plugin.left0.size() * 4), 0);
    EXPECT_EQ(std::memcmp(plugin.right0.data(), reference.right0.data(), plugin.right0.size() * 4), 0);
}

TEST(Lv2Plugin, RendersTheEffectsSamplesAtAnyRateBlockSizeLayoutAndOfferedFeatures) {
    static int data = 0;
    const LV2_Feature unknown{"urn:example:no-such-feature", &data},
        map{"http://lv2plug.in/ns/ext/urid#map", nullptr};
    const LV2_Feature* none[] = {nullptr};
    const LV2_Feature* several[] = {&unknown, &map, nullptr};
    struct Case {
        double rate;
        std::vector<std::uint32_t> blocks;  // repeated until the signal is used up
        Layout layout;
        const LV2_Feature* const* features;
    };
    const Case cases[] = {
        {44100.0, {64}, kSeparate, nullptr},
        {48000.0, {64}, kInPlace, none},
        {1.0, {1, 0, 7}, kSeparate, several},
        {22050.0, {0, 100, 0, 0, 3}, kCrossed, nullptr},
        {192000.0, {kFrames}, kOneBuffer, nullptr},
        {384000.0, {511, 0, 1}, kInPlace, several},
        {0.0, {256}, kCrossed, none},
        {std::numeric_limits<double>::quiet_NaN(), {13}, kSeparate, nullptr},
    };
    const std::vector<float> left = signal(0.05, 0.0), right = signal(0.031, 1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate);
        Plugin plugin(c.rate, c.features);
        ASSERT_NE(plugin.handle, nullptr);
        // Whatever ran before, activate returns the filters to rest.
        plugin.block(kSeparate, right.data(), left.data(), 300);
        plugin.descriptor->activate(plugin.handle);
        plugin.left0.clear();
        plugin.right0.clear();
        Reference reference;
        const float* rightInput = c.layout == kOneBuffer ? left.data() : right.data();
        for (std::uint32_t done = 0, i = 0; done < kFrames; ++i) {
            const std::uint32_t frames = std::min(c.blocks[i % c.blocks.size()], kFrames - done);
            plugin.block(c.layout, left.data() + done, rightInput + done, frames);
            reference.block(left.data() + done, rightInput + done, frames, plugin.sens, plugin.buzz);
            done += frames;
        }
        expectSameSamples(plugin, reference);
    }
}

TEST(Lv2Plugin, ControlsAreReadPerBlockClampedAndAMissingBufferOrNonFiniteValueIsPassedOver) {
    // Per block: the two control values, whether each control port is connected,
    // and an audio port left unconnected. The effect gets the values through
    // setParameter, which clamps and passes over non-finite ones; for an
    // unconnected control it keeps the value before, and it does not see a block
    // with an unconnected audio port at all (that block leaves the filters as they
    // were).
    struct Block {
        float values[2];
        bool connected[2];
        std::uint32_t missingAudio;
    };
    const Block blocks[] = {
        {{kNaN, kInfinity}, {true, true}, lv2::kPortCount},
        {{1.7f, -0.2f}, {true, true}, lv2::kPortCount},
        {{0.9f, 0.6f}, {true, true}, lv2::kInLeft},
        {{kNaN, 2.0f}, {false, true}, lv2::kPortCount},
        {{0.7f, 0.3f}, {true, true}, lv2::kOutRight},
        {{-kInfinity, kNaN}, {true, true}, lv2::kPortCount},
        {{-0.0f, 1.0f}, {true, false}, lv2::kInRight},
        {{0.95f, 0.75f}, {true, true}, lv2::kPortCount},
        {{0.8f, 0.9f}, {true, true}, lv2::kOutLeft},
        {{0.2f, 0.4f}, {false, false}, lv2::kPortCount},
    };
    const std::vector<float> left = signal(0.02, 0.0), right = signal(0.07, 0.5);
    Plugin plugin(48000.0);
    Reference reference;
    float effectValues[2] = {0.5f, 0.5f};
    const std::uint32_t frames = kFrames / std::size(blocks);
    for (std::uint32_t i = 0; i < std::size(blocks); ++i) {
        const Block& b = blocks[i];
        plugin.sens = b.values[0];
        plugin.buzz = b.values[1];
        plugin.connect(lv2::kSens, b.connected[0] ? &plugin.sens : nullptr);
        plugin.connect(lv2::kBuzz, b.connected[1] ? &plugin.buzz : nullptr);
        for (int p = 0; p < 2; ++p) {
            if (b.connected[p] && std::isfinite(b.values[p])) {
                effectValues[p] = b.values[p];
            }
        }
        plugin.block(kSeparate, left.data() + i * frames, right.data() + i * frames, frames, b.missingAudio);
        if (b.missingAudio == lv2::kPortCount) {
            reference.block(left.data() + i * frames, right.data() + i * frames, frames, effectValues[0],
                            effectValues[1]);
        }
        // The plug-in never writes its input controls.
        EXPECT_EQ(std::memcmp(&plugin.sens, &b.values[0], sizeof(float)), 0) << i;
        EXPECT_EQ(std::memcmp(&plugin.buzz, &b.values[1], sizeof(float)), 0) << i;
    }
    expectSameSamples(plugin, reference);
}

}  // namespace
}  // namespace qp::test
