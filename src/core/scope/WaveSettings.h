#pragma once

#include <QString>
#include <array>

namespace dr420 {

// "wavesettings.ini": the oscilloscope panel from one run to the next, in six
// sections used by position (colours, choices, per division and points per
// division, zero-line ratios, interval, line width).
struct WaveSettings {
    std::array<unsigned, 4> colours{0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}; // 0x00BBGGRR
    unsigned back = 0;
    std::array<int, 4> choices{0, 0, 0, 0};
    std::array<double, 4> perDiv{1000, 1000, 1000, 1000};
    int pointsPerDiv = 200;
    std::array<double, 4> ratio{-7, -3, -5.0 / 3, -1};
    double interval = 2;
    int width = 1;

    // A missing file, or one with fewer than six sections, is created with six
    // sections holding these defaults, so that no scale ever starts at 0.
    static WaveSettings load(const QString &path);
    bool save(const QString &path) const;
};

} // namespace dr420
