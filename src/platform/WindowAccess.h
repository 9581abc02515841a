// Reading and writing the windows of other programs, attribute by attribute. On X11 the
// backend maps the attributes onto EWMH/ICCCM; in tests the simulated desktop serves them.
#pragma once

#include "AXValue.h"

#include <sys/types.h>

class WindowAccess {
public:
    virtual ~WindowAccess() = default;

    // Whether this process may move other programs' windows now.
    virtual bool isProcessTrusted(bool prompt) = 0;
    // The application element of a running process.
    virtual AXElementRef applicationElement(pid_t pid) = 0;

    virtual AXError copyAttributeValue(const AXElementRef& element, const QString& attribute,
                                       AXValue& value) = 0;
    // Returns once the change has been applied, so that a read right after sees it.
    virtual AXError setAttributeValue(const AXElementRef& element, const QString& attribute,
                                      const AXValue& value) = 0;
    virtual AXError performAction(const AXElementRef& element, const QString& action) = 0;
};
