#include "input/PreviewOverlay.h"

namespace kelvra {

PreviewOverlay::PreviewOverlay(AppSettings& settings) : settings_(settings) {}

void PreviewOverlay::show(const Rect& frameCG) { shownFrame_ = frameCG; }

void PreviewOverlay::hide() { shownFrame_.reset(); }

}  // namespace kelvra
