// The look of the editor's pop-up menus on both themes: a destructive entry ("Delete") in red, and
// disabled entries in a plain dimmed colour instead of the platform's embossed one, which on a dark
// palette reads as a ghost of the text.
//
//   menu->setStyle(MenuItemStyle::shared());
//   action->setProperty(MenuItemStyle::destructiveProperty, true);
#pragma once

#include <QProxyStyle>

class MenuItemStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr const char* destructiveProperty = "destructive";
    // One style for every menu of the run.
    static MenuItemStyle* shared();

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    MenuItemStyle();
};
