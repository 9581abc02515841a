// Event streams owned by widgets, and buttons that follow a slot.
#include "ViewModifiers.h"

#include "ShortcutKeys.h"

#include "shortcuts/EventStream.h"

#include <QAbstractButton>

namespace KeyboardShortcuts {

void onKeyboardShortcut(QWidget* widget, const Name& name, std::function<void(EventType)> perform) {
    Registry* registry = Registry::current();
    if (!registry || !widget)
        return;
    // The widget owns the stream, so the stream ends with it.
    EventStream* stream = registry->events(name).release();
    stream->setParent(widget);
    QObject::connect(stream, &EventStream::event, stream, std::move(perform));
}

void onKeyboardShortcut(QWidget* widget, const Name& name, EventType type, std::function<void()> perform) {
    Registry* registry = Registry::current();
    if (!registry || !widget)
        return;
    EventStream* stream = registry->events(name, type).release();
    stream->setParent(widget);
    QObject::connect(stream, &EventStream::event, stream,
                     [perform = std::move(perform)](EventType) { perform(); });
}

void onGlobalKeyboardShortcut(QWidget* widget, const Name& name, std::function<void(EventType)> perform) {
    onKeyboardShortcut(widget, name, std::move(perform));
}

void onGlobalKeyboardShortcut(QWidget* widget, const Name& name, EventType type,
                              std::function<void()> perform) {
    onKeyboardShortcut(widget, name, type, std::move(perform));
}

void globalKeyboardShortcut(QAbstractButton* button, const Name& name) {
    Registry* registry = Registry::current();
    if (!registry || !button)
        return;
    auto isRecorderActive = std::make_shared<bool>(false);
    const auto apply = [button, name, isRecorderActive] {
        Registry* current = Registry::current();
        const auto shortcut = current && !*isRecorderActive ? current->getShortcut(name) : std::nullopt;
        button->setShortcut(shortcut ? ShortcutKeys::keySequence(*shortcut) : QKeySequence());
    };
    apply();
    NotificationCenter* center = &registry->notificationCenter();
    QObject::connect(center, &NotificationCenter::shortcutByNameDidChange, button,
                     [apply, name](const Name& changed) {
                         if (changed == name)
                             apply();
                     });
    QObject::connect(center, &NotificationCenter::recorderActiveStatusDidChange, button,
                     [apply, isRecorderActive](bool isActive) {
                         *isRecorderActive = isActive;
                         apply();
                     });
}

} // namespace KeyboardShortcuts
