// How high a window stands among the desktop's windows, kept as an opaque value by those who save
// and restore it.
#pragma once

struct WindowLevel {
    // Ordinary application windows.
    static constexpr int normalValue = 0;
    // Above ordinary windows, as a panel hanging from the menu bar.
    static constexpr int floatingValue = 3;

    int value = normalValue;

    static WindowLevel normal() { return {normalValue}; }
    static WindowLevel floating() { return {floatingValue}; }
    friend bool operator==(const WindowLevel&, const WindowLevel&) = default;
};
