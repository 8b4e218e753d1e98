#pragma once

#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

#include "port/SettingsPage.h"

namespace kelvra::views {

// An icon from the desktop's icon theme by its freedesktop name, or a drawn stand-in
// (a tinted tile with the name's first letter) when the theme has none. "zone:<id>"
// names draw that zone's miniature.
QIcon themedIcon(const QString& name, const QString& label = {});

// The icon of an installed or running application by its id (its desktop entry).
QIcon applicationIconFor(const QString& appId, const QString& label = {});

// A thumbnail `height` pixels high, as wide as its proportions say (within one to two
// heights): a framed screen with the rectangles in the palette's highlight.
QPixmap thumbnailPixmap(const port::Thumbnail& thumbnail, const QPalette& palette, int height,
                        double devicePixelRatio);

}  // namespace kelvra::views
