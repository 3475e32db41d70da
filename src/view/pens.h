// The twelve polygon pens: a polygon's `color` picks one. Shared by the plot
// and the cell map page so that a polygon has one colour everywhere.
#pragma once

#include <cstdint>

namespace kestrel {

// Four bytes an entry: blue, green, red, 0.
constexpr uint8_t kPenTable[12][4] = {
    {255, 0, 255, 0}, {0, 255, 127, 0}, {255, 127, 0, 0}, {127, 0, 255, 0}, {0, 255, 0, 0},   {255, 255, 0, 0},
    {0, 0, 255, 0},   {0, 255, 255, 0}, {255, 0, 0, 0},   {0, 127, 255, 0}, {127, 255, 0, 0}, {255, 0, 127, 0},
};

inline int PenIndex(int color) { return ((color % 12) + 12) % 12; }
inline uint8_t PenRed(int color) { return kPenTable[PenIndex(color)][2]; }
inline uint8_t PenGreen(int color) { return kPenTable[PenIndex(color)][1]; }
inline uint8_t PenBlue(int color) { return kPenTable[PenIndex(color)][0]; }

}  // namespace kestrel
