// The shortcut component's notifications: a slot changed, a recorder started or stopped recording.
#pragma once

#include "Name.h"
#include "Shortcut.h"

#include <QObject>
#include <QVariantMap>

namespace KeyboardShortcuts {

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static QString shortcutByNameDidChangeName() {
        return QStringLiteral("KeyboardShortcuts_shortcutByNameDidChange");
    }
    static QString recorderActiveStatusDidChangeName() {
        return QStringLiteral("KeyboardShortcuts_recorderActiveStatusDidChange");
    }

    using QObject::QObject;

    void postShortcutByNameDidChange(const Name& name);
    void postRecorderActiveStatusDidChange(bool isActive);

Q_SIGNALS:
    void shortcutByNameDidChange(const KeyboardShortcuts::Name& name);
    void recorderActiveStatusDidChange(bool isActive);
    // A hot key was pressed while a recorder records: the desktop gives such a press to the hot key,
    // never to the focused recorder, which learns of it here.
    void hotKeyPressedWhilePaused(const KeyboardShortcuts::Shortcut& shortcut);
    // The desktop refused a hot key (another program holds the combination), or took back one that it
    // had refused.
    void hotKeyRefusalDidChange();
    // Every notification by its name, with its user information ("name" as the raw value, "isActive").
    void posted(const QString& notificationName, const QVariantMap& userInfo);
};

} // namespace KeyboardShortcuts
