// Open menus and their key events.
#include "MenuTrackingMonitor.h"

#include "ShortcutKeys.h"

#include "shortcuts/Registry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace KeyboardShortcuts {

namespace {
// Every popup of ours grabs the keyboard while it is open, as a menu does: a combo box's list is one
// too, and the desktop's hot keys reach neither while it is up.
bool isPopup(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && widget->windowType() == Qt::Popup;
}
} // namespace

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
        if (isPopup(target)) {
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
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            break;
        const auto shortcut = ShortcutKeys::shortcut(*key);
        if (!shortcut)
            break;
        const int code = shortcut->carbonKeyCode();
        // The modifiers are often let go first: a release ends the hot key its press started.
        if (const auto held = m_heldHotKeys.constFind(code);
            held != m_heldHotKeys.cend() && event->type() == QEvent::KeyRelease) {
            const int modifiers = *held;
            m_heldHotKeys.erase(held);
            m_registry.handleRawKeyEvent(HotKeyEngine::RawKeyKind::keyUp, code, modifiers);
            return true;
        }
        m_heldHotKeys.remove(code);
        // A popup hands its keys to its focus widget: a combo box's list gets them, not its frame.
        auto* widget = qobject_cast<QWidget*>(target);
        if (m_openMenus.isEmpty() || !widget || !m_openMenus.contains(widget->window()))
            break;
        const auto kind = event->type() == QEvent::KeyPress ? HotKeyEngine::RawKeyKind::keyDown
                                                            : HotKeyEngine::RawKeyKind::keyUp;
        // Consumed: the menu never sees a key that was one of our hot keys.
        if (m_registry.handleRawKeyEvent(kind, code, shortcut->carbonModifiers()) == 0) {
            if (kind == HotKeyEngine::RawKeyKind::keyDown)
                m_heldHotKeys.insert(code, shortcut->carbonModifiers());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace KeyboardShortcuts
