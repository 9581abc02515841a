#include "MenuItemStyle.h"

#include <QApplication>
#include <QMenu>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

MenuItemStyle::MenuItemStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
    setParent(qApp);
}

MenuItemStyle* MenuItemStyle::shared() {
    static MenuItemStyle* style = new MenuItemStyle;
    return style;
}

int MenuItemStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    if (hint == SH_EtchDisabledText || hint == SH_DitherDisabledText)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void MenuItemStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (element != CE_MenuItem || !item || !menu) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionMenuItem copy(*item);
    const bool enabled = item->state & State_Enabled;
    if (!enabled) {
        // Dimmed text, no light shadow under it.
        QColor dim = item->palette.color(QPalette::Active, QPalette::Text);
        dim.setAlphaF(0.35);
        copy.palette.setColor(QPalette::Disabled, QPalette::Text, dim);
        copy.palette.setColor(QPalette::Disabled, QPalette::ButtonText, dim);
        copy.palette.setColor(QPalette::Disabled, QPalette::WindowText, dim);
        copy.palette.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    }
    for (const QAction* action : menu->actions()) {
        if (action->property(destructiveProperty).toBool() && action->text() == item->text && enabled) {
            const QColor red(0xff, 0x3b, 0x30);
            if (!(item->state & State_Selected)) {
                copy.palette.setColor(QPalette::Text, red);
                copy.palette.setColor(QPalette::ButtonText, red);
                copy.palette.setColor(QPalette::WindowText, red);
            }
            break;
        }
    }
    QProxyStyle::drawControl(element, &copy, painter, widget);
}
