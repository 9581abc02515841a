#include "TextLabel.h"

#include "LookColors.h"

#include <QLabel>

QLabel* textLabel(const QString& value, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(value);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    if (!colour.isValid()) {
        LookColors::useSecondaryText(label);
    } else if (colour != QColor(Qt::black)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    return label;
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty())
        return text;
    return QStringLiteral("<qt>") + text.toHtmlEscaped() + QStringLiteral("</qt>");
}
