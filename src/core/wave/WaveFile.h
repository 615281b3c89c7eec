#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace dr420 {

class WaveModel;

// ".wave" trace files: a header of channel names and count, then one row per
// sample (time and four channels, "%12.4f\t  " each).
// Channel names as channel.set allows them: up to 99 characters, no blanks.
constexpr int kMaxWaveNameChars = 99;
// Why `name` cannot go into a wave file, empty when it can.
QString waveNameRefusal(const QString &name);

struct WaveLoadResult {
    bool ok = false;       // something was loaded (or the file is empty by its count)
    int rows = 0;          // rows loaded
    QString message;       // for the user: why nothing or not everything was loaded
};

// Writes to a temporary file and renames it, so a failed save never leaves a
// half-written file in place of a good one. False with `error` set on failure.
bool SaveWaveFile(const WaveModel &model, const QString &path, QString *error = nullptr);

// Trusts no number in the file: rows are read as long as they are whole and
// numeric, never allocated by the count; the last 60000 are kept.
WaveLoadResult LoadWaveFile(WaveModel &model, const QString &path);

// The ".wave" bytes for a model (what SaveWaveFile writes).
QByteArray waveFileBytes(const WaveModel &model);

// A picture as 0xAARRGGBB pixels, rows top to bottom.
struct PixelRows {
    const uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // pixels from one row to the next
};

// A 32-bit uncompressed bottom-up Windows bitmap of the picture. Failures
// are shown to the user with the bitmap messages; false then.
bool SaveBitmap(const PixelRows &picture, const QString &path);
QByteArray bitmapBytes(const PixelRows &picture);

} // namespace dr420
