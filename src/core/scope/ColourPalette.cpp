#include "ColourPalette.h"

namespace dr420 {

const std::array<PaletteColour, 40> &colourPalette()
{
    static const std::array<PaletteColour, 40> palette{{
        {0, 0, 0, "黑色"},         {165, 42, 0, "棕色"},       {0, 64, 64, "橄榄绿色"},    {0, 85, 0, "暗绿色"},
        {0, 0, 94, "深青色"},      {0, 0, 139, "深蓝色"},      {75, 0, 130, "深紫蓝色"},   {40, 40, 40, "深灰色"},
        {139, 0, 0, "深红色"},     {255, 104, 32, "桔红色"},   {139, 139, 0, "深黄色"},    {0, 147, 0, "绿色"},
        {56, 142, 142, "青色"},    {0, 0, 255, "蓝色"},        {123, 123, 192, "绿灰色"},  {102, 102, 102, "灰色"},
        {255, 0, 0, "红色"},       {255, 173, 91, "淡桔红色"}, {50, 205, 50, "浅绿色"},    {60, 179, 113, "海蓝色"},
        {127, 255, 212, "浅绿色"}, {125, 158, 192, "淡蓝色"},  {128, 0, 128, "紫罗兰色"},  {127, 127, 127, "灰色"},
        {255, 192, 203, "粉红色"}, {255, 215, 0, "金色"},      {255, 255, 0, "黄色"},      {0, 255, 0, "亮绿色"},
        {64, 224, 208, "绿松色"},  {192, 255, 255, "天蓝色"},  {72, 0, 72, "梅红"},        {192, 192, 192, "淡灰色"},
        {255, 228, 225, "玫瑰色"}, {210, 180, 140, "棕褐色"},  {255, 255, 224, "淡黄色"},  {152, 251, 152, "浅绿色"},
        {175, 238, 238, "浅绿宝石色"}, {104, 131, 139, "浅蓝色"}, {230, 230, 250, "淡紫色"}, {255, 255, 255, "白色"},
    }};
    return palette;
}

PaletteCell movePaletteCell(PaletteCell from, PaletteKey key)
{
    const int lastRow = kPaletteRows - 1;
    const int lastColumn = kPaletteColumns - 1;
    switch (key) {
    case PaletteKey::Down:
        if (from.isNone() || from.isCustom())
            return {0, 0};
        return from.row == lastRow ? kCustomCell : PaletteCell{from.row + 1, from.column};
    case PaletteKey::Up:
        if (from.isNone() || from.isCustom())
            return {lastRow, 0};
        return from.row == 0 ? kCustomCell : PaletteCell{from.row - 1, from.column};
    case PaletteKey::Right:
        if (from.isNone())
            return {0, 0};
        if (from.isCustom())
            return from; // the button spans the row: nothing to the side
        return {from.row, from.column == lastColumn ? 0 : from.column + 1};
    case PaletteKey::Left:
        if (from.isNone())
            return {lastRow, lastColumn};
        if (from.isCustom())
            return from;
        return {from.row, from.column == 0 ? lastColumn : from.column - 1};
    }
    return from;
}

} // namespace dr420
