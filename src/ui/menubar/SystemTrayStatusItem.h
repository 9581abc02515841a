// The status item in the desktop's tray: a QSystemTrayIcon showing the layout symbol, described as
// "Quarlin", without a menu.
#pragma once

#include "StatusItem.h"

class QSystemTrayIcon;

class SystemTrayStatusItem : public StatusItem {
    Q_OBJECT
public:
    explicit SystemTrayStatusItem(QObject* parent = nullptr);

    void show() override;
    bool isVisible() const override;
    QRect geometry() const override;
    void refreshAppearance() override;

private:
    QSystemTrayIcon* m_icon;
};
