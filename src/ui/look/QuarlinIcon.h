// The application's own icon (a window split into positions), for the window icon, the tray's
// fallback and the permission screens.
#pragma once

#include <QIcon>

// Every rendered size of the icon; Qt picks the one nearest the size it is drawn at.
QIcon quarlinIcon();
