// The application's windows and look, as the core sees them; the user interface implements it.
#pragma once

#include "model/AppTheme.h"
#include "platform/HostWindow.h"

#include <QList>

#include <optional>

class ApplicationShell {
public:
    virtual ~ApplicationShell() = default;

    // Every window of the application, in the application's order.
    virtual QList<HostWindow*> windows() const = 0;
    // The look of the whole application; absent follows the desktop's own scheme.
    virtual void setAppearance(std::optional<AppTheme> appearance) = 0;
    // Brings one window in line with the application's look at once (layout and repaint).
    virtual void refreshAppearance(HostWindow& window) = 0;
};
