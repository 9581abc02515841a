// Reading and writing the windows of other programs, attribute by attribute. On X11 the
// backend maps the attributes onto EWMH/ICCCM; in tests the simulated desktop serves them.
// Main thread only.
//
// The attribute, role and action names ("AXPosition", "AXSize", "AXWindow", "AXPress", ...) and
// the result codes' texts are plain strings of this interface's own protocol, which every backend serves and
// the log lines print.
//
// What the placement engine reads and writes (value types in WindowValue.h):
//   application element: "AXWindows" (list, frontmost first), "AXMenuBar" (element)
//   window element:      "AXRole" ("AXWindow" for a normal top-level window), "AXTitle",
//                        "AXSize" (outer frame), "AXPosition" (top-left corner of the outer
//                        frame, top-left coordinates), "AXMinimized"; writes "AXSize",
//                        "AXPosition", "AXMinimized" (false also raises and focuses it)
//   menu bar, menu item: "AXChildren" (list), "AXTitle"; a top-level item's children are
//                        one menu whose children are the items; action "AXPress"
// An attribute the element does not have gives attributeUnsupported (or noValue when it has
// the attribute but no value just now); a value of the wrong type gives illegalArgument.
#pragma once

#include "WindowValue.h"

#include <sys/types.h>

class WindowAccess {
public:
    virtual ~WindowAccess() = default;

    // Whether this process may move other programs' windows now; read afresh on every call.
    // `prompt` asks the system to explain how to grant it (callers pass false).
    virtual bool isProcessTrusted(bool prompt) = 0;
    // The application element of a running process; never null, even for a process that has
    // exited (its reads then fail).
    virtual WindowElementRef applicationElement(pid_t pid) = 0;

    virtual WindowAccessError readAttribute(const WindowElementRef& element, const QString& attribute,
                                            WindowValue& value) = 0;
    // Returns once the change has been applied, so that a read right after sees it.
    virtual WindowAccessError writeAttribute(const WindowElementRef& element, const QString& attribute,
                                             const WindowValue& value) = 0;
    virtual WindowAccessError performAction(const WindowElementRef& element, const QString& action) = 0;
};
