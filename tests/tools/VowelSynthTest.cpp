// The built-in test input must be a voice-like signal at a sung pitch whose
// peaks, and only they, open the effect's gate at the default sensitivity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/SignalStats.h"
#include "tools/VowelSynth.h"

namespace qp::test {

using namespace qp::tools;
namespace {

constexpr double kPi = 3.14159265358979323846;

double rms(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t n = from; n < to; ++n) {
        sum += double(samples[n]) * samples[n];
    }
    return std::sqrt(sum / double(to - from));
}

// The lag (in samples) of the strongest autocorrelation between 2 and 20 ms.
double fundamental(const std::vector<float>& samples, std::size_t from, std::size_t length, double rate) {
    std::size_t bestLag = 0;
    double best = -1.0;
    for (std::size_t lag = std::size_t(rate / 500); lag < std::size_t(rate / 50); ++lag) {
        double sum = 0.0;
        for (std::size_t n = from; n < from + length; ++n) {
            sum += double(samples[n]) * samples[n + lag];
        }
        if (sum > best) {
            best = sum;
            bestLag = lag;
        }
    }
    return rate / double(bestLag);
}

// Energy of one frequency (Goertzel) over a stretch of samples.
double energyAt(const std::vector<float>& samples, std::size_t from, std::size_t length, double frequency,
                double rate) {
    const double w = 2.0 * kPi * frequency / rate;
    double s1 = 0.0, s2 = 0.0;
    for (std::size_t n = from; n < from + length; ++n) {
        const double s = samples[n] + 2.0 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
}

TEST(VowelSynth, IsThreeSecondsAtCdRateAndTheSameEveryTime) {
    const std::vector<float> first = synthesizeVowel();
    EXPECT_EQ(first.size(), 3u * 44100u);
    EXPECT_EQ(first, synthesizeVowel());
}

TEST(VowelSynth, IsLevelledToItsPeakAndFadesInAndOut) {
    VowelSettings settings;
    const std::vector<float> voice = synthesizeVowel(settings);
    EXPECT_NEAR(*std::max_element(voice.begin(), voice.end()), settings.peak, 1e-6);
    EXPECT_GT(*std::min_element(voice.begin(), voice.end()), -1.0f);
    const double body = rms(voice, 44100, 88200);
    EXPECT_GT(body, 0.05);
    EXPECT_LT(rms(voice, 0, 441), body * 0.05);                            // first 10 ms
    EXPECT_LT(rms(voice, voice.size() - 441, voice.size()), body * 0.05);  // last 10 ms
    EXPECT_EQ(voice.front(), 0.0f);
}

TEST(VowelSynth, SingsAtTheRequestedPitch) {
    for (double pitch : {140.0, 165.0, 220.0}) {
        VowelSettings settings;
        settings.pitch = pitch;
        const std::vector<float> voice = synthesizeVowel(settings);
        // A 50 ms window in the steady part; vibrato keeps it within a semitone.
        const double found = fundamental(voice, 60000, 2205, 44100.0);
        EXPECT_NEAR(found, pitch, pitch * 0.06) << pitch;
    }
}

TEST(VowelSynth, VibratoMovesThePitch) {
    VowelSettings settings;
    settings.vibratoDepth = 1.0;
    const std::vector<float> voice = synthesizeVowel(settings);
    double lowest = 1e9, highest = 0.0;
    for (std::size_t start = 50000; start < 100000; start += 1000) {
        const double f = fundamental(voice, start, 1500, 44100.0);
        lowest = std::min(lowest, f);
        highest = std::max(highest, f);
    }
    EXPECT_GT(highest / lowest, 1.04);  // more than half a semitone apart
}

TEST(VowelSynth, FirstFormantStandsOutAsInAh) {
    VowelSettings settings;
    settings.vibratoDepth = 0.0;
    settings.pitch = 125.0;  // harmonics at 750 (near F1 730) and 375 Hz
    const std::vector<float> voice = synthesizeVowel(settings);
    const double nearF1 = energyAt(voice, 44100, 44100, 750.0, 44100.0);
    EXPECT_GT(nearF1, 4.0 * energyAt(voice, 44100, 44100, 375.0, 44100.0));
    EXPECT_GT(nearF1, 4.0 * energyAt(voice, 44100, 44100, 2000.0, 44100.0));
}

TEST(VowelSynth, DefaultLevelOpensTheGateOnPeaksButNotAlways) {
    const std::vector<float> voice = synthesizeVowel();
    const std::vector<std::vector<float>> stereo = {voice, voice};
    const double share = gateOpenShare(stereo, 0.5f);
    EXPECT_GT(share, 0.02);
    EXPECT_LT(share, 0.4);
    // In the steady part, every pitch period (165 Hz: 267 samples) opens it.
    const std::size_t period = 267;
    for (std::size_t start = 22050; start + period < voice.size() - 22050; start += period) {
        bool opened = false;
        for (std::size_t n = start; n < start + period && !opened; ++n) {
            opened = 2.0f * voice[n] > 0.5f;
        }
        ASSERT_TRUE(opened) << "period at sample " << start;
    }
}

}  // namespace
}  // namespace qp::test
