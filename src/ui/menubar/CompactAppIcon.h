// The icon of an application of a configuration, for the compact rows: the running application's
// own icon, else the Icon of its desktop entry, else the "app.fill" symbol.
#pragma once

#include "platform/Platform.h"

#include <QPixmap>

namespace CompactAppIcon {
QPixmap pixmap(Platform& platform, const QString& bundleID, int pixelSize);
// The Icon key of a desktop entry file; empty when it has none.
QString iconOfDesktopEntry(const QString& path);
} // namespace CompactAppIcon
