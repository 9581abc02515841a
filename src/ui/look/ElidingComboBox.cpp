#include "ElidingComboBox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

int ElidingComboBox::textRoom() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    int room =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
    if (!option.currentIcon.isNull())
        room -= option.iconSize.width() + 4;
    return room;
}

QString ElidingComboBox::shownText() const {
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, textRoom());
}

void ElidingComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
