// The program's "Dock icon": its taskbar entry. Shown unless the window is attached and the tray
// icon is reachable; the state goes to the window again at every show, as window managers drop it
// on unmapping. While attached the window also floats above others and asks not to be moved.
#pragma once

class TaskbarEntry;
class QWidget;

class TaskbarPolicy {
public:
    explicit TaskbarPolicy(TaskbarEntry& taskbar) : m_taskbar(taskbar) {}

    bool isEntryVisible() const { return m_visible; }
    // Logs the change; false when nothing changed.
    bool update(bool attached, bool iconReachable);
    void apply(QWidget* window, bool attached);

private:
    TaskbarEntry& m_taskbar;
    bool m_visible = true;
};
