// The program's icon in the panel's tray, as the menu-bar manager sees it; tests give a fake.
#pragma once

#include <QObject>
#include <QRect>

class StatusItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void show() = 0;
    virtual bool isVisible() const = 0;
    // Where the tray drew the icon, in Qt's pixels; empty when the tray does not say.
    virtual QRect geometry() const = 0;
    // Draws the icon again in the panel's own look.
    virtual void refreshAppearance() = 0;

Q_SIGNALS:
    // A left click on the icon.
    void clicked();
};
