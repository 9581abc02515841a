// The status item's symbol, three stacked rectangles of a window group, drawn for any tray: light
// strokes with a dark rim so that it reads on light and dark panels alike.
#pragma once

#include <QIcon>

namespace StatusSymbol {
QIcon icon();
} // namespace StatusSymbol
