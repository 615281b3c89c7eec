#pragma once

#include <QString>
#include <array>

// The colour picker's palette and how the keyboard moves through it; the
// popup window only shows this.
namespace dr420 {

struct PaletteColour {
    int red, green, blue;
    const char *name; // UTF-8
};

constexpr int kPaletteColumns = 8;
constexpr int kPaletteRows = 5;
const std::array<PaletteColour, 40> &colourPalette();

// A palette cell; (-1,-1) none, (-2,-2) the "Other colors…" button.
struct PaletteCell {
    int row = -1;
    int column = -1;
    bool operator==(const PaletteCell &o) const { return row == o.row && column == o.column; }
    bool isCustom() const { return row == -2; }
    bool isNone() const { return row == -1; }
    int index() const { return row * kPaletteColumns + column; }
};
inline constexpr PaletteCell kNoCell{-1, -1};
inline constexpr PaletteCell kCustomCell{-2, -2};

enum class PaletteKey { Up, Down, Left, Right };
PaletteCell movePaletteCell(PaletteCell from, PaletteKey key);

inline const QString kOtherColours = QStringLiteral("Other colors…");

} // namespace dr420
