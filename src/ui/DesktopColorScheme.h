// Whether the desktop asks programs for a dark look, from the settings files GTK and KDE keep.
#pragma once

#include <QString>

#include <optional>

class DesktopColorScheme {
public:
    // True for dark, false for light; absent when no desktop setting says.
    // `configHome` is $XDG_CONFIG_HOME (~/.config) unless given.
    static std::optional<bool> prefersDark(const QString& configHome = {});
};
