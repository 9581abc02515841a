// The application's windows and look on Qt: Fusion with a light or dark palette, or the desktop's own
// scheme for "system".
#pragma once

#include "app/ApplicationShell.h"

#include <QPalette>

class QtApplicationShell : public ApplicationShell {
public:
    QList<HostWindow*> windows() const override;
    void setAppearance(std::optional<AppTheme> appearance) override;
    void refreshAppearance(HostWindow& window) override;

    static QPalette lightPalette();
    static QPalette darkPalette();
    // The palette an appearance gives: the desktop's scheme (light when it says nothing) for absent.
    static QPalette paletteFor(std::optional<AppTheme> appearance);
};
