// The LV2 plug-in through the record a host calls (descriptor, instantiate,
// connect_port, activate, run), against the VST 2 effect built in-process: any
// rate, any block size, shared and missing buffers, and odd control values must
// give the effect's samples, bit for bit, or silence where a buffer is missing.
#include <gtest/gtest.h>

#include <algorithm>
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

// Counts the allocations made anywhere in this test program, so a test can show
// that run() makes none. Every form of new and delete goes to malloc and free, so
// the sanitizers still see each allocation paired with its release.
namespace {
std::atomic<long> allocationCount{0};

void* counted(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* countedOrThrow(std::size_t size) {
    if (void* memory = counted(size)) {
        return memory;
    }
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return countedOrThrow(size); }
void* operator new[](std::size_t size) { return countedOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace qp::test {
namespace {

using lv2::kPorts;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kUntouched = -12345.0f;
constexpr std::size_t kFrames = 2000;

// Different signals on the two inputs, loud enough to open the gate often.
std::vector<float> testSignal(double frequency, double phase) {
    std::vector<float> signal(kFrames);
    for (std::size_t n = 0; n < kFrames; ++n) {
        signal[n] = float(0.6 * std::sin(frequency * double(n) + phase) + 0.2 * std::sin(3.1 * double(n)));
    }
    return signal;
}

// The VST 2 effect, fed the same blocks and the same values with setParameter.
class Reference {
public:
    void block(const float* left, const float* right, std::size_t frames, float sens, float buzz) {
        effect_.setParameter(kSensIndex, sens);
        effect_.setParameter(kBuzzIndex, buzz);
        std::vector<float> in0(left, left + frames), in1(right, right + frames);
        const std::size_t start = out0.size();
        out0.resize(start + frames);
        out1.resize(start + frames);
        float* inputs[2] = {in0.data(), in1.data()};
        float* outputs[2] = {out0.data() + start, out1.data() + start};
        effect_.processReplacing(inputs, outputs, Int32(frames));
    }

    std::vector<float> out0, out1;

private:
    MemoryPlatformScope platform_;
    RecordingHost host_;
    EditorFactoryScope noEditor_{nullptr};
    BuzzEffect effect_{&RecordingHost::callback};
};

// Where the audio ports point: their own buffers, or shared ones.
enum class Layout {
    Separate,
    InPlace,    // in_left and out_left one buffer, in_right and out_right another
    Crossed,    // in_left shares with out_right, in_right with out_left
    OneBuffer,  // all four audio ports on a single buffer (both inputs the same)
};

class Instance {
public:
    explicit Instance(double rate, const LV2_Feature* const* features = nullptr)
        : descriptor_(lv2::descriptor(0)),
          handle_(descriptor_->instantiate(descriptor_, rate, "/nowhere/", features)) {}
    ~Instance() {
        if (handle_ != nullptr) {
            descriptor_->cleanup(handle_);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    LV2_Handle handle() const { return handle_; }
    void connect(std::uint32_t port, void* data) { descriptor_->connect_port(handle_, port, data); }
    void activate() { descriptor_->activate(handle_); }
    void run(std::uint32_t frames) { descriptor_->run(handle_, frames); }

    // Connects the ports for `layout`, copies one block in, runs it and returns
    // the outputs appended to out0/out1.
    void block(Layout layout, const float* left, const float* right, std::uint32_t frames) {
        a_.assign(left, left + frames);
        b_.assign(right, right + frames);
        c_.assign(frames, kUntouched);
        d_.assign(frames, kUntouched);
        float* ports[4] = {a_.data(), b_.data(), c_.data(), d_.data()};
        switch (layout) {
            case Layout::Separate:
                break;
            case Layout::InPlace:
                ports[lv2::kOutLeft] = a_.data();
                ports[lv2::kOutRight] = b_.data();
                break;
            case Layout::Crossed:
                ports[lv2::kOutLeft] = b_.data();
                ports[lv2::kOutRight] = a_.data();
                break;
            case Layout::OneBuffer:
                ports[lv2::kInRight] = ports[lv2::kOutLeft] = ports[lv2::kOutRight] = a_.data();
                break;
        }
        for (std::uint32_t port = lv2::kInLeft; port <= lv2::kOutRight; ++port) {
            connect(port, ports[port]);
        }
        run(frames);
        out0.insert(out0.end(), ports[lv2::kOutLeft], ports[lv2::kOutLeft] + frames);
        out1.insert(out1.end(), ports[lv2::kOutRight], ports[lv2::kOutRight] + frames);
    }

    std::vector<float> out0, out1;

private:
    const LV2_Descriptor* descriptor_;
    LV2_Handle handle_;
    std::vector<float> a_, b_, c_, d_;
};

void expectSameSamples(const std::vector<float>& actual, const std::vector<float>& expected,
                       const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    EXPECT_EQ(std::memcmp(actual.data(), expected.data(), actual.size() * sizeof(float)), 0) << what;
}

TEST(Lv2Plugin, TheRecordNamesThePlugInOnceAndEveryPortHasItsIndex) {
    ASSERT_NE(lv2::descriptor(0), nullptr);
    EXPECT_STREQ(lv2::descriptor(0)->URI, "urn:veltmarsk:quorrelphone");
    EXPECT_EQ(lv2::descriptor(1), nullptr);
    const char* symbols[] = {"in_left", "in_right", "out_left", "out_right", "sens", "buzz"};
    for (std::uint32_t port = 0; port < lv2::kPortCount; ++port) {
        EXPECT_STREQ(kPorts[port].symbol, symbols[port]);
    }
}

TEST(Lv2Plugin, RendersTheEffectsSamplesAtAnyRateBlockSizeAndBufferLayout) {
    struct Case {
        double rate;
        std::vector<std::uint32_t> blocks;  // repeated until the signal is used up
        Layout layout;
    };
    const Case cases[] = {
        {44100.0, {64}, Layout::Separate},
        {48000.0, {64}, Layout::InPlace},
        {1.0, {1, 0, 7}, Layout::Separate},
        {22050.0, {0, 100, 0, 0, 3}, Layout::Crossed},
        {192000.0, {kFrames}, Layout::OneBuffer},
        {384000.0, {511, 0, 1}, Layout::InPlace},
        {0.0, {256}, Layout::Crossed},
        {-44100.0, {13}, Layout::Separate},
        {std::numeric_limits<double>::quiet_NaN(), {64}, Layout::Separate},
    };
    const std::vector<float> left = testSignal(0.05, 0.0), right = testSignal(0.031, 1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << ", layout " << int(c.layout));
        Instance plugin(c.rate);
        ASSERT_NE(plugin.handle(), nullptr);
        float sens = 0.8f, buzz = 0.3f;
        plugin.connect(lv2::kSens, &sens);
        plugin.connect(lv2::kBuzz, &buzz);
        plugin.activate();
        Reference reference;
        // In the one-buffer layout both inputs are the left signal.
        const float* rightInput = c.layout == Layout::OneBuffer ? left.data() : right.data();
        for (std::size_t done = 0, i = 0; done < kFrames; ++i) {
            const std::size_t frames = std::min<std::size_t>(c.blocks[i % c.blocks.size()], kFrames - done);
            plugin.block(c.layout, left.data() + done, rightInput + done, std::uint32_t(frames));
            reference.block(left.data() + done, rightInput + done, frames, sens, buzz);
            done += frames;
        }
        expectSameSamples(plugin.out0, reference.out0, "left");
        expectSameSamples(plugin.out1, reference.out1, "right");
    }
}

TEST(Lv2Plugin, ControlValuesAreClampedAndNonFiniteOnesPassedOverAsTheEffectDoes) {
    // One (sens, buzz) pair per block; the effect gets the same pairs through
    // setParameter, which clamps and ignores non-finite values.
    const std::pair<float, float> values[] = {
        {kNaN, kInfinity},  {1.7f, -0.2f}, {0.9f, 0.6f},   {kNaN, 2.0f},
        {-kInfinity, kNaN}, {-0.0f, 1.0f}, {0.95f, 0.75f},
    };
    const std::vector<float> left = testSignal(0.02, 0.0), right = testSignal(0.07, 0.5);
    Instance plugin(48000.0);
    float sens = 0.0f, buzz = 0.0f;
    plugin.connect(lv2::kSens, &sens);
    plugin.connect(lv2::kBuzz, &buzz);
    Reference reference;
    const std::size_t frames = kFrames / std::size(values);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        sens = values[i].first;
        buzz = values[i].second;
        plugin.block(Layout::Separate, left.data() + i * frames, right.data() + i * frames, frames);
        reference.block(left.data() + i * frames, right.data() + i * frames, frames, values[i].first,
                        values[i].second);
        // The plug-in never writes its input controls.
        EXPECT_EQ(std::memcmp(&sens, &values[i].first, sizeof sens), 0) << i;
        EXPECT_EQ(std::memcmp(&buzz, &values[i].second, sizeof buzz), 0) << i;
    }
    expectSameSamples(plugin.out0, reference.out0, "left");
    expectSameSamples(plugin.out1, reference.out1, "right");
}

TEST(Lv2Plugin, AMissingBufferSkipsTheBlockWithSilenceAndTheSoundGoesOnAfterwards) {
    // A block with the port unconnected sits between two normal ones; the effect
    // sees only the normal ones. A missing control keeps the value last read.
    struct Case {
        std::uint32_t port;
        bool silentBlock;  // an audio port: the connected outputs get silence
    };
    const Case cases[] = {{lv2::kInLeft, true},   {lv2::kInRight, true}, {lv2::kOutLeft, true},
                          {lv2::kOutRight, true}, {lv2::kSens, false},   {lv2::kBuzz, false}};
    const std::vector<float> left = testSignal(0.04, 0.0), right = testSignal(0.06, 2.0);
    constexpr std::uint32_t kBlock = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(kPorts[c.port].symbol);
        Instance plugin(44100.0);
        float sens = 0.9f, buzz = 0.7f;
        plugin.connect(lv2::kSens, &sens);
        plugin.connect(lv2::kBuzz, &buzz);
        Reference reference;
        plugin.block(Layout::Separate, left.data(), right.data(), kBlock);
        reference.block(left.data(), right.data(), kBlock, sens, buzz);

        // The missing block, with all other ports on fresh buffers.
        std::vector<float> in0(left.begin() + kBlock, left.begin() + 2 * kBlock);
        std::vector<float> in1(right.begin() + kBlock, right.begin() + 2 * kBlock);
        std::vector<float> out0(kBlock, kUntouched), out1(kBlock, kUntouched);
        void* buffers[lv2::kPortCount] = {in0.data(), in1.data(), out0.data(), out1.data(), &sens, &buzz};
        buffers[c.port] = nullptr;
        for (std::uint32_t port = 0; port < lv2::kPortCount; ++port) {
            plugin.connect(port, buffers[port]);
        }
        sens = 0.1f;  // only a connected control is read
        buzz = 0.2f;
        plugin.run(kBlock);
        if (c.silentBlock) {
            for (const auto& [port, out] :
                 {std::pair{lv2::kOutLeft, &out0}, std::pair{lv2::kOutRight, &out1}}) {
                if (buffers[port] != nullptr) {
                    EXPECT_EQ(std::count(out->begin(), out->end(), 0.0f), std::ptrdiff_t(kBlock)) << port;
                }
            }
        } else {
            const float missing = c.port == lv2::kSens ? 0.9f : 0.7f;
            reference.block(in0.data(), in1.data(), kBlock, c.port == lv2::kSens ? missing : sens,
                            c.port == lv2::kBuzz ? missing : buzz);
            plugin.out0.insert(plugin.out0.end(), out0.begin(), out0.end());
            plugin.out1.insert(plugin.out1.end(), out1.begin(), out1.end());
        }
        plugin.connect(lv2::kSens, &sens);
        plugin.connect(lv2::kBuzz, &buzz);
        plugin.block(Layout::Separate, left.data() + 2 * kBlock, right.data() + 2 * kBlock, kBlock);
        reference.block(left.data() + 2 * kBlock, right.data() + 2 * kBlock, kBlock, sens, buzz);
        expectSameSamples(plugin.out0, reference.out0, "left");
        expectSameSamples(plugin.out1, reference.out1, "right");
    }
}

TEST(Lv2Plugin, AnyOfferedFeaturesGiveTheSameInstanceAndRunAllocatesNothing) {
    static int unknownData = 0;
    const LV2_Feature unknown{"urn:example:no-such-feature", &unknownData};
    const LV2_Feature map{"http://lv2plug.in/ns/ext/urid#map", nullptr};
    const LV2_Feature* none[] = {nullptr};
    const LV2_Feature* several[] = {&unknown, &map, nullptr};
    const LV2_Feature* const* offers[] = {nullptr, none, several};
    const std::vector<float> left = testSignal(0.05, 0.0), right = testSignal(0.03, 0.2);
    Reference reference;
    reference.block(left.data(), right.data(), kFrames, 0.5f, 0.5f);
    for (const LV2_Feature* const* features : offers) {
        Instance plugin(96000.0, features);
        ASSERT_NE(plugin.handle(), nullptr);
        float sens = 0.5f, buzz = 0.5f;
        plugin.connect(lv2::kSens, &sens);
        plugin.connect(lv2::kBuzz, &buzz);
        // A first block, then activate: back to rest, as a fresh instance.
        plugin.block(Layout::Separate, right.data(), left.data(), kFrames);
        plugin.activate();
        plugin.out0.clear();
        plugin.out1.clear();
        std::vector<float> in0 = left, in1 = right, out0(kFrames), out1(kFrames);
        float* buffers[4] = {in0.data(), in1.data(), out0.data(), out1.data()};
        for (std::uint32_t port = lv2::kInLeft; port <= lv2::kOutRight; ++port) {
            plugin.connect(port, buffers[port]);
        }
        const long before = allocationCount.load();
        plugin.run(kFrames);
        EXPECT_EQ(allocationCount.load(), before);
        expectSameSamples(out0, reference.out0, "left");
        expectSameSamples(out1, reference.out1, "right");
    }
}

}  // namespace
}  // namespace qp::test
