#include "ElidingComboBox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStyleOptionMenuItem>
#include <QStylePainter>

#include <algorithm>

int ElidingComboBox::textRoom() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    int room =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
    if (!option.currentIcon.isNull())
        room -= option.iconSize.width() + 4;
    return room;
}

void ElidingComboBox::setNarrowestWidth(int pixels) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumWidth(pixels);
}

QString ElidingComboBox::shownText() const {
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, textRoom());
}

int ElidingComboBox::listWidth() const {
    // The list draws its entries as the style's menu items, with a check column and margins around
    // the icon and text; its own size hints leave them out.
    const QAbstractItemView* list = view();
    QStyleOptionMenuItem item;
    item.initFrom(list);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.checkType = QStyleOptionMenuItem::NonExclusive;
    item.menuHasCheckableItems = true;
    item.maxIconWidth = iconSize().width() + 4;
    const QFontMetrics listMetrics(list->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        item.text = itemText(i);
        item.icon = itemIcon(i);
        const QSize text(
            std::max(listMetrics.horizontalAdvance(item.text), fontMetrics().horizontalAdvance(item.text)),
            fontMetrics().height());
        widest = std::max(widest, style()->sizeFromContents(QStyle::CT_MenuItem, &item, text, this).width());
    }
    return widest + 2 * list->frameWidth();
}

void ElidingComboBox::showPopup() {
    // Qt makes the list as wide as the box, or as its own guess at the entries: too narrow for the
    // menu items, which it then cuts in the middle.
    view()->setMinimumWidth(listWidth());
    QComboBox::showPopup();
}

void ElidingComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
