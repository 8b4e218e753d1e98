#pragma once

#include <QIcon>
#include <QString>

namespace kelvra::views {

// An icon from the desktop's icon theme by its freedesktop name, or a drawn stand-in
// (a tinted tile with the name's first letter) when the theme has none. "zone:<id>"
// names draw that zone's miniature.
QIcon themedIcon(const QString& name, const QString& label = {});

// The icon of an installed or running application by its id (its desktop entry).
QIcon applicationIconFor(const QString& appId, const QString& label = {});

}  // namespace kelvra::views
