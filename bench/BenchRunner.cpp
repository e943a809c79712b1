#include "bench/BenchRunner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/FloorLoop.h"
#include "tools/VowelSynth.h"

namespace qp::bench {

namespace {

constexpr double kRealTimeRate = 44100.0;

using Clock = std::chrono::steady_clock;

struct Input {
    std::vector<float> left, right;
};

// Runs blocks round-robin over the input until `seconds` have passed; returns
// nanoseconds per frame.
double timeProcessor(BlockProcessor& processor, Input& input, int blockSize, double seconds) {
    const auto blockFrames = static_cast<std::size_t>(blockSize);
    std::vector<float> out0(blockFrames), out1(blockFrames);
    float* outputs[2] = {out0.data(), out1.data()};
    const std::size_t blocks = input.left.size() / std::size_t(blockSize);
    std::size_t block = 0;
    long long frames = 0;
    const Clock::time_point start = Clock::now();
    Clock::duration elapsed{};
    do {
        // Check the clock every 64 blocks so its cost stays out of the figure.
        for (int i = 0; i < 64; ++i) {
            float* inputs[2] = {input.left.data() + block * std::size_t(blockSize),
                                input.right.data() + block * std::size_t(blockSize)};
            processor(inputs, outputs, blockSize);
            frames += blockSize;
            block = (block + 1) % blocks;
        }
        elapsed = Clock::now() - start;
    } while (std::chrono::duration<double>(elapsed).count() < seconds);
    return std::chrono::duration<double, std::nano>(elapsed).count() / double(frames);
}

void report(const char* label, const std::vector<double>& rounds) {
    const double best = *std::min_element(rounds.begin(), rounds.end());
    std::vector<double> sorted = rounds;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("%-28s %7.2f ns/frame (median %.2f), %8.0fx real time at 44.1 kHz\n", label, best, median,
                1e9 / (best * kRealTimeRate));
}

}  // namespace

double runComparison(const char* pluginLabel, const std::function<BlockProcessor()>& freshPlugin,
                     const BenchSetup& setup) {
    const std::vector<float> voice = tools::synthesizeVowel();
    Input input{voice, voice};

    FloorParameters parameters;
    FloorFilters filters;
    BlockProcessor floor = [&](float** in, float** out, int frames) {
        floorLoop(in[0], in[1], out[0], out[1], frames, parameters, filters);
    };

    // Same work: from rest, both must produce the same samples.
    {
        BlockProcessor check = freshPlugin();
        FloorParameters checkParameters;
        FloorFilters checkFilters;
        std::vector<float> a0(voice.size()), a1(voice.size()), b0(voice.size()), b1(voice.size());
        float* in[2] = {input.left.data(), input.right.data()};
        float* pluginOut[2] = {a0.data(), a1.data()};
        check(in, pluginOut, int(voice.size()));
        floorLoop(in[0], in[1], b0.data(), b1.data(), int(voice.size()), checkParameters, checkFilters);
        double worst = 0.0;
        for (std::size_t n = 0; n < voice.size(); ++n) {
            worst = std::max({worst, std::fabs(double(a0[n]) - b0[n]), std::fabs(double(a1[n]) - b1[n])});
        }
        std::printf("floor and plug-in output over %zu frames: max difference %g%s\n", voice.size(), worst,
                    worst == 0.0 ? " (bit-identical)" : "");
    }

    BlockProcessor plugin = freshPlugin();
    const double perRound = setup.minimumSeconds / setup.rounds;
    std::vector<double> pluginRounds, floorRounds;
    // Warm both up, then interleave so load from elsewhere hits both alike.
    timeProcessor(plugin, input, setup.blockSize, 0.05);
    timeProcessor(floor, input, setup.blockSize, 0.05);
    for (int round = 0; round < setup.rounds; ++round) {
        pluginRounds.push_back(timeProcessor(plugin, input, setup.blockSize, perRound));
        floorRounds.push_back(timeProcessor(floor, input, setup.blockSize, perRound));
    }
    std::printf("block %d frames, stereo, %d rounds of %.3f s each\n", setup.blockSize, setup.rounds,
                perRound);
    report(pluginLabel, pluginRounds);
    report("floor loop (inline)", floorRounds);
    const double ratio = *std::min_element(pluginRounds.begin(), pluginRounds.end()) /
                         *std::min_element(floorRounds.begin(), floorRounds.end());
    std::printf("ratio=%.3f\n", ratio);
    return ratio;
}

BlockProcessor startProcessing(AEffect* effect) {
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 512, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return
        [effect](float** in, float** out, int frames) { effect->processReplacing(effect, in, out, frames); };
}

}  // namespace qp::bench
