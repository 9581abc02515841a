// The type sizes the editor's views use, by pixel size as the rest of the interface does.
#pragma once

#include <QFont>

namespace EditorFonts {
// 17 px semibold: sheet and editor titles.
QFont title2();
// 13 px bold.
QFont headline();
// 13 px medium: section labels.
QFont medium();
// 10 px, medium or semibold.
QFont caption(QFont::Weight weight = QFont::Normal);
// 10 px, for counts and owner names.
QFont caption2();
} // namespace EditorFonts
