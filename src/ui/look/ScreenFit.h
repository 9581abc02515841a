// Sheets and dialogs of a fixed size never grow past the free area of the screen they open on (a
// high scale on a small screen), less the window manager's frame: the layout inside takes what is
// left, and its lists scroll.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

class ScreenFit {
public:
    // The title bar and borders, guessed before the window has them.
    static constexpr int assumedDecoration = 40;

    // `wanted`, no larger than `available` less the decoration.
    static QSize capped(const QSize& wanted, const QRect& available);
    // The same on the screen of `near`'s window, else the primary screen.
    static QSize capped(const QSize& wanted, const QWidget* near);
};
