#pragma once

#include "base/Rect.h"

namespace kelvra {

// The two coordinate spaces, both in points:
// - top-left space (the working space): origin at the top-left of the primary screen,
//   y growing downwards. Window frames, cursor points, screen frames of ScreenInfo and
//   zone frames are in it.
// - bottom-left space: origin at the bottom-left of the primary screen, y growing
//   upwards. The platform's screen frames and the program's own windows use it.
namespace Coord {
// Converts between the spaces; the same rule serves both directions.
// Uses the current height of the primary screen (0 without screens).
Rect bottomLeftRect(const Rect& topLeft);
// The same with an explicit primary-screen height.
Rect flip(const Rect& r, double primaryHeight);
}  // namespace Coord

}  // namespace kelvra
