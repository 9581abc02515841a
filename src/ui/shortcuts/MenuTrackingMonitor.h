// Tells the shortcut component while a menu of the program is open (a popup menu, or the list of a
// combo box), and lets the hot keys work from the menu's own key events meanwhile (an open menu holds
// the keyboard).
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

namespace KeyboardShortcuts {

class Registry;

class MenuTrackingMonitor : public QObject {
    Q_OBJECT
public:
    explicit MenuTrackingMonitor(Registry& registry, QObject* parent = nullptr);
    ~MenuTrackingMonitor() override;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    void update();

    Registry& m_registry;
    QSet<QObject*> m_openMenus;
    // Hot keys pressed while a menu was open and not yet released: key code to modifiers.
    QHash<int, int> m_heldHotKeys;
};

} // namespace KeyboardShortcuts
