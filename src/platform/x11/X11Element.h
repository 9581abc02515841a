// The elements the X11 backend hands out: an application (a process and its desktop entry),
// one of its windows, and the menu built from its desktop entry's actions.
#pragma once

#include "platform/WindowElement.h"

#include <QString>

#include <optional>

#include <sys/types.h>

class X11Element : public WindowElement {
public:
    enum class Kind { application, window, menuBar, menuBarItem, menu, menuItem };

    explicit X11Element(Kind k) : kind(k) {}

    // Another element of the same application.
    WindowElementRef sameApplication(Kind k) const {
        auto e = std::make_shared<X11Element>(k);
        e->pid = pid;
        e->applicationId = applicationId;
        return e;
    }

    Kind kind;
    // application, and the menu elements of its entry
    pid_t pid = 0;
    std::optional<QString> applicationId;
    // window
    quint32 window = 0;
    // menuItem: the action to run (the entry's path and the action's id)
    QString entryPath;
    QString actionId;
    QString title;
};
