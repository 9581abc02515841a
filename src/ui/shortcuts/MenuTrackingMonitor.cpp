// Open menus and their key events.
#include "MenuTrackingMonitor.h"

#include "ShortcutKeys.h"

#include "shortcuts/Registry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

namespace KeyboardShortcuts {

MenuTrackingMonitor::MenuTrackingMonitor(Registry& registry, QObject* parent)
    : QObject(parent), m_registry(registry) {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

MenuTrackingMonitor::~MenuTrackingMonitor() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void MenuTrackingMonitor::update() {
    m_registry.setMenuOpen(!m_openMenus.isEmpty());
}

bool MenuTrackingMonitor::eventFilter(QObject* target, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        if (qobject_cast<QMenu*>(target)) {
            m_openMenus.insert(target);
            connect(target, &QObject::destroyed, this, [this, target] {
                m_openMenus.remove(target);
                update();
            });
            update();
        }
        break;
    case QEvent::Hide:
        if (m_openMenus.remove(target))
            update();
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        if (m_openMenus.isEmpty() || !qobject_cast<QMenu*>(target))
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            break;
        const auto shortcut = ShortcutKeys::shortcut(*key);
        if (!shortcut)
            break;
        const auto kind = event->type() == QEvent::KeyPress ? HotKeyEngine::RawKeyKind::keyDown
                                                            : HotKeyEngine::RawKeyKind::keyUp;
        // Consumed: the menu never sees a key that was one of our hot keys.
        if (m_registry.handleRawKeyEvent(kind, shortcut->carbonKeyCode(), shortcut->carbonModifiers()) == 0)
            return true;
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace KeyboardShortcuts
