// The small pieces of look that the compact list's two pages (the list and the gate) share.
#pragma once

class QFont;
class QFrame;
class QLabel;
class QString;
class QWidget;

namespace CompactLook {
// A thin soft-gray rule.
QFrame* divider(QWidget* parent);
// A label for text that is never read as markup.
QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent);
} // namespace CompactLook
