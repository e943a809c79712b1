#include "bench/BenchRunner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/FloorLoop.h"
#include "tools/VowelSynth.h"

namespace qp::bench {

namespace {

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

void runBlocks(BlockProcessor& processor, Input& input, int blockSize, long long count) {
    const auto blockFrames = static_cast<std::size_t>(blockSize);
    std::vector<float> out0(blockFrames), out1(blockFrames);
    float* outputs[2] = {out0.data(), out1.data()};
    const std::size_t blocks = input.left.size() / blockFrames;
    for (long long n = 0; n < count; ++n) {
        const std::size_t block = std::size_t(n) % blocks;
        float* inputs[2] = {input.left.data() + block * blockFrames,
                            input.right.data() + block * blockFrames};
        processor(inputs, outputs, blockSize);
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// From rest, over the whole input, the contender must produce the floor's samples.
void checkSameWork(const Contender& contender, Input& input) {
    BlockProcessor check = contender.fresh();
    FloorParameters parameters;
    FloorFilters filters;
    const std::size_t length = input.left.size();
    std::vector<float> a0(length), a1(length), b0(length), b1(length);
    float* in[2] = {input.left.data(), input.right.data()};
    float* out[2] = {a0.data(), a1.data()};
    check(in, out, int(length));
    floorLoop(in[0], in[1], b0.data(), b1.data(), int(length), parameters, filters);
    double worst = 0.0;
    for (std::size_t n = 0; n < length; ++n) {
        worst = std::max({worst, std::fabs(double(a0[n]) - b0[n]), std::fabs(double(a1[n]) - b1[n])});
    }
    std::printf("%s and the floor over %zu frames: max difference %g%s\n", contender.label.c_str(), length,
                worst, worst == 0.0 ? " (bit-identical)" : "");
}

}  // namespace

std::vector<std::vector<Figure>> runComparison(const std::vector<Contender>& contenders,
                                               const BenchSetup& setup) {
    const std::vector<float> voice = tools::synthesizeVowel();
    Input input{voice, voice};
    for (const Contender& contender : contenders) {
        checkSameWork(contender, input);
    }

    std::vector<BlockProcessor> processors;
    for (const Contender& contender : contenders) {
        processors.push_back(contender.fresh());
    }
    auto parameters = std::make_unique<FloorParameters>();
    auto filters = std::make_unique<FloorFilters>();
    BlockProcessor floor = [&](float** in, float** out, int frames) {
        floorLoop(in[0], in[1], out[0], out[1], frames, *parameters, *filters);
    };

    if (setup.profileBlocks > 0) {
        for (const int blockSize : setup.blockSizes) {
            for (BlockProcessor& processor : processors) {
                runBlocks(processor, input, blockSize, setup.profileBlocks);
            }
            runBlocks(floor, input, blockSize, setup.profileBlocks);
            std::printf("ran %lld blocks of %d frames through each contender and the floor\n",
                        setup.profileBlocks, blockSize);
        }
        return {};
    }

    std::printf("stereo; per block size %d runs, each %d interleaved rounds of %.3f s per contender;\n",
                setup.runs, setup.rounds, setup.secondsPerRun / setup.rounds);
    std::printf("a run's figure is its best round, the table shows the median run\n\n%6s", "frames");
    for (const Contender& contender : contenders) {
        std::printf("  %26s", contender.label.c_str());
    }
    std::printf("  %10s", "floor");
    for (std::size_t other = 1; other < contenders.size(); ++other) {
        std::printf("  %9s%zu", "1st/", other + 1);
    }
    std::printf("\n%6s", "");
    for (std::size_t c = 0; c < contenders.size(); ++c) {
        std::printf("  %16s %9s", "ns/frame", "/floor");
    }
    std::printf("  %10s\n", "ns/frame");

    std::vector<std::vector<Figure>> figures(contenders.size());
    const double perRound = setup.secondsPerRun / setup.rounds;
    for (const int blockSize : setup.blockSizes) {
        std::vector<std::vector<double>> times(contenders.size()), ratios(contenders.size()),
            againstFirst(contenders.size());
        std::vector<double> floorTimes;
        for (int run = 0; run < setup.runs; ++run) {
            std::vector<double> best(contenders.size(), 1e300);
            double floorBest = 1e300;
            // Warm every contender up, then interleave so load from elsewhere hits all alike.
            for (BlockProcessor& processor : processors) {
                timeProcessor(processor, input, blockSize, 0.02);
            }
            timeProcessor(floor, input, blockSize, 0.02);
            for (int round = 0; round < setup.rounds; ++round) {
                for (std::size_t c = 0; c < processors.size(); ++c) {
                    best[c] = std::min(best[c], timeProcessor(processors[c], input, blockSize, perRound));
                }
                floorBest = std::min(floorBest, timeProcessor(floor, input, blockSize, perRound));
            }
            for (std::size_t c = 0; c < processors.size(); ++c) {
                times[c].push_back(best[c]);
                ratios[c].push_back(best[c] / floorBest);
                againstFirst[c].push_back(best[0] / best[c]);
            }
            floorTimes.push_back(floorBest);
        }
        std::printf("%6d", blockSize);
        for (std::size_t c = 0; c < contenders.size(); ++c) {
            figures[c].push_back({median(times[c]), median(ratios[c])});
            std::printf("  %16.2f %9.3f", figures[c].back().nanosecondsPerFrame,
                        figures[c].back().floorRatio);
        }
        std::printf("  %10.2f", median(floorTimes));
        for (std::size_t other = 1; other < contenders.size(); ++other) {
            std::printf("  %10.3f", median(againstFirst[other]));
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return figures;
}

BlockProcessor startProcessing(AEffect* effect, int maximumBlock) {
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, maximumBlock, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return
        [effect](float** in, float** out, int frames) { effect->processReplacing(effect, in, out, frames); };
}

std::vector<int> parseBlockSizes(const std::string& text) {
    std::vector<int> sizes;
    const char* cursor = text.c_str();
    while (*cursor != '\0') {
        char* end = nullptr;
        const long first = std::strtol(cursor, &end, 10);
        if (end == cursor || first < 1 || first > 1 << 20) {
            return {};
        }
        long last = first;
        if (*end == '-') {
            cursor = end + 1;
            last = std::strtol(cursor, &end, 10);
            if (end == cursor || last < first || last > 1 << 20) {
                return {};
            }
        }
        for (long size = first; size <= last; size *= 2) {
            sizes.push_back(int(size));
        }
        if (*end == ',') {
            ++end;
        } else if (*end != '\0') {
            return {};
        }
        cursor = end;
    }
    return sizes;
}

bool takeSetupOption(int argc, char** argv, int& i, BenchSetup& setup) {
    if (i + 1 >= argc) {
        return false;
    }
    const std::string option = argv[i];
    const char* value = argv[i + 1];
    if (option == "--frames") {
        setup.blockSizes = parseBlockSizes(value);
    } else if (option == "--runs") {
        setup.runs = std::atoi(value);
    } else if (option == "--seconds") {
        setup.secondsPerRun = std::atof(value);
    } else if (option == "--profile") {
        setup.profileBlocks = std::atoll(value);
    } else {
        return false;
    }
    ++i;
    return true;
}

}  // namespace qp::bench
