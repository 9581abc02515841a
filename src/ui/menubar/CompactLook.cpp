#include "CompactLook.h"

#include <QFrame>
#include <QLabel>

namespace CompactLook {

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: rgba(128, 128, 128, 60);"));
    return line;
}

QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

} // namespace CompactLook
