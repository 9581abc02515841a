#include "WindowControlProblem.h"

#include <QGuiApplication>

namespace {
bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}
} // namespace

QString WindowControlProblem::title() {
    return onX11() ? QStringLiteral("No window manager that lets Quarlin move windows")
                   : QStringLiteral("No X11 display");
}

QString WindowControlProblem::detail() {
    return onX11() ? QStringLiteral("Quarlin moves windows through the window manager. Start a window "
                                    "manager that follows the EWMH standard (GNOME, KDE Plasma, Xfce, "
                                    "openbox, i3 and the like), then check again.")
                   : QStringLiteral("Quarlin places windows on an X11 desktop. Log in to an X11 session "
                                    "(or start Quarlin with DISPLAY set to one), then check again.");
}
