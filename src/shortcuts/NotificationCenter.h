// The shortcut component's notifications: a slot changed, a recorder started or stopped recording.
#pragma once

#include "Name.h"

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
    // Every notification by its name, with its user information ("name" as the raw value, "isActive").
    void posted(const QString& notificationName, const QVariantMap& userInfo);
};

} // namespace KeyboardShortcuts
