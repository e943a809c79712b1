#include "tools/SignalStats.h"

#include <algorithm>
#include <cmath>

namespace qp::tools {

namespace {

double toDb(double linear) {
    return linear > 0.0 ? std::max(kSilenceDb, 20.0 * std::log10(linear)) : kSilenceDb;
}

}  // namespace

LevelFigures measureLevels(const std::vector<std::vector<float>>& channels) {
    double sumOfSquares = 0.0;
    double peak = 0.0;
    std::size_t count = 0;
    for (const auto& channel : channels) {
        for (float sample : channel) {
            // A non-finite sample says nothing about the level; it is skipped.
            if (!std::isfinite(sample)) {
                continue;
            }
            sumOfSquares += double(sample) * double(sample);
            peak = std::max(peak, std::fabs(double(sample)));
            ++count;
        }
    }
    LevelFigures figures;
    if (count > 0) {
        figures.rmsDb = toDb(std::sqrt(sumOfSquares / double(count)));
        figures.peakDb = toDb(peak);
    }
    return figures;
}

double gateOpenShare(const std::vector<std::vector<float>>& channels, float sens) {
    if (channels.empty() || channels[0].empty()) {
        return 0.0;
    }
    const std::vector<float>& left = channels[0];
    const std::vector<float>& right = channels.size() > 1 ? channels[1] : channels[0];
    const std::size_t frames = std::min(left.size(), right.size());
    std::size_t open = 0;
    for (std::size_t n = 0; n < frames; ++n) {
        const float sum = float(double(left[n]) + double(right[n]) + 1e-11);
        open += 1.0 - double(sens) < double(sum);
    }
    return double(open) / double(frames);
}

}  // namespace qp::tools
