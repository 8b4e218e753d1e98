#pragma once

#include <vector>

#include "base/Rect.h"
#include "port/SettingsPage.h"
#include "settings/CustomLayout.h"
#include "settings/Workspace.h"

namespace kelvra {

// The pictures the settings window shows beside each saved layout and workspace.

// A layout's zones on a screen of `screen`'s proportions, each a little apart from its
// neighbours as windows in them would be.
port::Thumbnail thumbnailOf(const CustomLayout& layout, Size screen);

// A workspace's windows over the whole desktop (the union of the monitors' frames),
// each clipped to it; over the windows alone when no monitor is known.
port::Thumbnail thumbnailOf(const Workspace& workspace, const std::vector<Rect>& monitors);

}  // namespace kelvra
