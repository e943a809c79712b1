// Instances of the effect on several threads at once render exactly what one
// instance renders alone, also while further instances are made, used and
// closed on other threads meanwhile: nothing one instance holds may leak into
// another through the library's shared state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "PluginHost.h"
#include "StressBudget.h"

namespace qp::test {
namespace {

constexpr std::size_t kFrames = 20000;
constexpr int kRenderers = 4;
constexpr int kChurners = 2;
constexpr long kRoundsPerRenderer = 12;
constexpr std::size_t kChurnFrames = 1024;

struct Setting {
    float sens;
    float buzz;
};

// Two settings, so an instance that picked up another's values would differ.
constexpr Setting kSettings[] = {{0.6f, 0.7f}, {0.35f, 1.0f}};

std::vector<float> render(PluginHost& host, const std::vector<float>& left, const std::vector<float>& right,
                          std::size_t blockSize, std::size_t frames = kFrames) {
    std::vector<float> out;
    out.reserve(frames);
    StereoBlock block(blockSize);
    for (std::size_t at = 0; at < frames; at += blockSize) {
        const std::size_t n = std::min(blockSize, frames - at);
        std::copy_n(left.begin() + std::ptrdiff_t(at), n, block.in[0].begin());
        std::copy_n(right.begin() + std::ptrdiff_t(at), n, block.in[1].begin());
        host.processReplacing(block.inputs(), block.outputs(), Int32(n));
        out.insert(out.end(), block.out[0].begin(), block.out[0].begin() + std::ptrdiff_t(n));
    }
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b, std::size_t frames) {
    return a.size() >= frames && b.size() >= frames &&
           std::memcmp(a.data(), b.data(), frames * sizeof(float)) == 0;
}

TEST(StressParallel, InstancesOnManyThreadsRenderAsOneAlone) {
    // Holds the library loaded while the threads' instances come and go, as a
    // host does.
    PluginHost keeper;
    ASSERT_TRUE(keeper.loaded()) << keeper.loadError();
    const std::vector<float> left = stress::voice(kFrames, 0.55);
    const std::vector<float> right = stress::voice(kFrames, 0.5, 300);
    std::vector<float> alone[std::size(kSettings)];
    for (std::size_t s = 0; s < std::size(kSettings); ++s) {
        PluginHost host;
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        host.setParameter(0, kSettings[s].sens);
        host.setParameter(1, kSettings[s].buzz);
        alone[s] = render(host, left, right, 512);
    }
    ASSERT_FALSE(sameBits(alone[0], alone[1], kFrames));

    std::mutex failuresMutex;
    std::vector<std::string> failures;
    auto fail = [&](std::string what) {
        std::lock_guard<std::mutex> lock(failuresMutex);
        if (failures.size() < 10) {
            failures.push_back(std::move(what));
        }
    };
    std::atomic<int> renderersLeft{kRenderers};
    std::atomic<long> renderings{0}, churned{0}, churnMismatches{0};

    std::vector<std::thread> threads;
    for (int r = 0; r < kRenderers; ++r) {
        threads.emplace_back([&, r] {
            const stress::Budget budget(kRoundsPerRenderer, stress::kParallelShare);
            const std::size_t blockSizes[] = {64, 256, 441, 1024};
            for (long round = 0; budget.more(round); ++round) {
                const std::size_t s = std::size_t(r + round) % std::size(kSettings);
                PluginHost host;
                if (host.open() == nullptr) {
                    fail("renderer " + std::to_string(r) + " could not open an instance");
                    break;
                }
                host.dispatch(effSetSampleRate, 0, 0, nullptr, r % 2 ? 48000.0f : 96000.0f);
                host.dispatch(effMainsChanged, 0, 1);
                host.setParameter(0, kSettings[s].sens);
                host.setParameter(1, kSettings[s].buzz);
                const std::vector<float> out =
                    render(host, left, right, blockSizes[std::size_t(r + round) % 4]);
                if (!sameBits(out, alone[s], kFrames)) {
                    fail("renderer " + std::to_string(r) + " round " + std::to_string(round) + " differs");
                }
                ++renderings;
            }
            --renderersLeft;
        });
    }
    for (int c = 0; c < kChurners; ++c) {
        threads.emplace_back([&, c] {
            while (renderersLeft > 0) {
                PluginHost host;
                if (host.open() == nullptr) {
                    fail("churner " + std::to_string(c) + " could not open an instance");
                    break;
                }
                host.dispatch(effSetBlockSizeAndSampleRate, 0, 128, nullptr, 192000.0f);
                host.dispatch(effMainsChanged, 0, 1);
                const std::size_t s = std::size_t(c + churned) % std::size(kSettings);
                host.setParameter(0, kSettings[s].sens);
                host.setParameter(1, kSettings[s].buzz);
                // Made among the others, it still starts as the lone one did.
                churnMismatches +=
                    !sameBits(render(host, left, right, 128, kChurnFrames), alone[s], kChurnFrames);
                host.dispatch(effMainsChanged, 0, 0);
                host.close();
                ++churned;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }

    std::printf(
        "%d renderers: %ld renderings of %zu frames equal to one instance alone; %d churners made and "
        "closed %ld instances meanwhile\n",
        kRenderers, renderings.load(), kFrames, kChurners, churned.load());
    for (const std::string& failure : failures) {
        ADD_FAILURE() << failure;
    }
    EXPECT_GE(renderings.load(), kRenderers * kRoundsPerRenderer);
    EXPECT_GT(churned.load(), 0);
    EXPECT_EQ(churnMismatches.load(), 0);
}

}  // namespace
}  // namespace qp::test
