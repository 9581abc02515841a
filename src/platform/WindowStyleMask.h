// The decorations and behaviours of a window (title bar, close button, resizing...), kept as an
// opaque set of bits by those who save and restore it; only the window that gave it reads it.
#pragma once

#include <QtGlobal>

struct WindowStyleMask {
    quint64 bits = 0;
    friend bool operator==(const WindowStyleMask&, const WindowStyleMask&) = default;
};
