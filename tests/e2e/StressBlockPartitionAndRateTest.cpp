// However a host cuts the stream into blocks, and whatever rate it announces,
// the effect renders the same samples: the filters carry their state from block
// to block and keep the tuning they were built with at 44.1 kHz. Every
// rendering is compared bit for bit with one made in 512-frame blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "PluginHost.h"
#include "StressBudget.h"

namespace qp::test {
namespace {

constexpr std::size_t kFrames = 3 * 8192 + 1234;
constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f};

// Block sizes from a seed, 1 to 3000 frames with empty calls among them.
std::vector<Int32> varyingSizes(std::uint32_t seed) {
    std::vector<Int32> sizes;
    std::size_t total = 0;
    while (total < kFrames) {
        seed = seed * 1664525u + 1013904223u;
        const std::uint32_t pick = seed >> 8;
        Int32 size = pick % 8 == 0 ? 0 : Int32(pick % 4 == 1 ? 1 + pick % 13 : 1 + pick % 3000);
        size = Int32(std::min<std::size_t>(std::size_t(size), kFrames - total));
        sizes.push_back(size);
        total += std::size_t(size);
    }
    return sizes;
}

std::vector<Int32> fixedSizes(Int32 size) {
    std::vector<Int32> sizes;
    for (std::size_t total = 0; total < kFrames; total += std::size_t(size)) {
        sizes.push_back(Int32(std::min<std::size_t>(std::size_t(size), kFrames - total)));
    }
    return sizes;
}

class StressBlocks : public ::testing::Test {
protected:
    void SetUp() override {
        left = stress::voice(kFrames, 0.55);
        right = stress::voice(kFrames, 0.45, 77);
        PluginHost host;
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        prepare(host, 44100.0f, 512, 0);
        reference = render(host, fixedSizes(512));
    }

    // What hosts send before they start processing: suspend, rate, largest
    // block (separately or in one opcode), resume.
    static void prepare(PluginHost& host, float rate, Int32 maxBlock, int style) {
        host.dispatch(effMainsChanged, 0, 0);
        if (style % 2 == 0) {
            host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            host.dispatch(effSetBlockSize, 0, maxBlock);
        } else {
            host.dispatch(effSetBlockSizeAndSampleRate, 0, maxBlock, nullptr, rate);
        }
        host.dispatch(effMainsChanged, 0, 1);
        host.setParameter(0, 0.6f);
        host.setParameter(1, 0.7f);
    }

    // Renders the whole input in the given blocks, each block in its own
    // buffers as a host's ring would hand them over; the left output.
    std::vector<float> render(PluginHost& host, const std::vector<Int32>& sizes, std::size_t from = 0,
                              std::size_t frames = kFrames) {
        std::vector<float> out;
        out.reserve(frames);
        std::size_t at = from;
        for (Int32 size : sizes) {
            if (at >= from + frames) {
                break;
            }
            StereoBlock block(std::size_t(size), 0.0f, 99.0f);
            std::copy_n(left.begin() + std::ptrdiff_t(at), size, block.in[0].begin());
            std::copy_n(right.begin() + std::ptrdiff_t(at), size, block.in[1].begin());
            host.processReplacing(block.inputs(), block.outputs(), size);
            EXPECT_EQ(
                std::memcmp(block.out[0].data(), block.out[1].data(), std::size_t(size) * sizeof(float)), 0);
            out.insert(out.end(), block.out[0].begin(), block.out[0].end());
            at += std::size_t(size);
        }
        return out;
    }

    static std::size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
        if (a.size() != b.size()) {
            return std::min(a.size(), b.size());
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
                return i;
            }
        }
        return a.size();
    }

    std::vector<float> left, right, reference;
    // Holds the library loaded between the instances, as a host does: every
    // rendering makes its own instance, and a soak makes thousands.
    PluginHost keeper;
};

TEST_F(StressBlocks, EveryPartitionAtEveryRateMatchesTheReference) {
    ASSERT_EQ(reference.size(), kFrames);
    // The input really drives the gate and the filters: the reference is no
    // constant or silence a partition could not disturb.
    float lowest = 0.0f, highest = 0.0f;
    for (float sample : reference) {
        lowest = std::min(lowest, sample);
        highest = std::max(highest, sample);
    }
    EXPECT_LT(lowest, -0.2f);
    EXPECT_GT(highest, 0.2f);

    long renderings = 0, blocks = 0;
    const stress::Budget budget(1, stress::kPartitionShare);
    for (long round = 0; budget.more(round); ++round) {
        for (std::size_t r = 0; r < std::size(kRates); ++r) {
            std::vector<std::vector<Int32>> partitions;
            for (Int32 size : {1, 7, 64, 512, 4096, 8192}) {
                partitions.push_back(fixedSizes(size));
            }
            partitions.push_back(varyingSizes(std::uint32_t(round * 131 + r + 1)));
            for (const std::vector<Int32>& sizes : partitions) {
                PluginHost host;
                ASSERT_NE(host.open(), nullptr);
                prepare(host, kRates[r], *std::max_element(sizes.begin(), sizes.end()), int(r));
                const std::vector<float> out = render(host, sizes);
                const std::size_t at = firstDifference(out, reference);
                ASSERT_EQ(at, kFrames)
                    << "rate " << kRates[r] << ", " << sizes.size() << " blocks, first " << sizes[0]
                    << ": sample " << at << " is " << (at < out.size() ? out[at] : 0.0f) << ", alone "
                    << (at < reference.size() ? reference[at] : 0.0f);
                ++renderings;
                blocks += long(sizes.size());
            }
        }
    }
    std::printf("%ld renderings of %zu frames in %ld blocks, all equal to the 512-frame one\n", renderings,
                kFrames, blocks);
}

TEST_F(StressBlocks, ARateChangeBetweenBlocksNeitherRetunesNorResets) {
    // One instance carried through every rate, suspended and resumed around
    // each change as hosts do, in the middle of the stream.
    PluginHost host;
    ASSERT_NE(host.open(), nullptr);
    prepare(host, 44100.0f, 512, 0);
    const std::vector<Int32> sizes = varyingSizes(99);
    std::vector<float> out;
    std::size_t at = 0;
    int change = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (i % 5 == 4) {
            ++change;
            prepare(host, kRates[std::size_t(change) % std::size(kRates)], 4096, change);
        }
        const std::vector<float> part = render(host, {sizes[i]}, at, std::size_t(sizes[i]));
        out.insert(out.end(), part.begin(), part.end());
        at += std::size_t(sizes[i]);
    }
    EXPECT_GT(change, 3);
    EXPECT_EQ(firstDifference(out, reference), kFrames);
}

}  // namespace
}  // namespace qp::test
