// Runs the fuzz target without libFuzzer: inputs from a seeded generator (the
// same seed gives the same inputs), or the files named on the command line.
//   qp_fuzz_random [--seed N] [--runs N] [file...]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    unsigned long seed = 1;
    unsigned long runs = 20000;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoul(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::strtoul(argv[++i], nullptr, 10);
        } else {
            files.push_back(argv[i]);
        }
    }
    for (const char* name : files) {
        std::ifstream file(name, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    if (!files.empty()) {
        return 0;
    }

    std::mt19937 random(seed);
    std::vector<std::uint8_t> input;
    for (unsigned long run = 0; run < runs; ++run) {
        // Lengths from a few bytes to a few banks' worth; byte values favour the
        // small numbers and the edges that steer the target's choices.
        input.resize(random() % 2048);
        for (std::uint8_t& byte : input) {
            switch (random() % 4) {
                case 0:
                    byte = std::uint8_t(random() % 16);
                    break;
                case 1:
                    byte = std::uint8_t(0xF0 | random() % 16);
                    break;
                default:
                    byte = std::uint8_t(random());
                    break;
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%lu random inputs (seed %lu) passed\n", runs, seed);
    return 0;
}
