// Bringing a running application forward with the windows it has now.
#include "X11RunningApplication.h"

#include "X11Desktop.h"

X11RunningApplication::X11RunningApplication(X11Desktop& desktop, Facts facts)
    : m_desktop(desktop), m_facts(std::move(facts)) {}

bool X11RunningApplication::activate(bool allWindows) {
    return m_desktop.activateAll(
        X11Desktop::windowsOf(m_facts.pid, m_facts.bundleIdentifier, m_desktop.clients()), allWindows);
}
