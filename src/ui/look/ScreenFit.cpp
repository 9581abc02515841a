#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QSize ScreenFit::capped(const QSize& wanted, const QRect& available) {
    if (available.isEmpty())
        return wanted;
    return wanted.boundedTo(available.size() - QSize(0, assumedDecoration));
}

QSize ScreenFit::capped(const QSize& wanted, const QWidget* near) {
    const QScreen* screen = near ? near->window()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? capped(wanted, screen->availableGeometry()) : wanted;
}
