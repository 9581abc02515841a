// A live stream of one shortcut slot's presses and releases, delivered as a signal while it exists.
#pragma once

#include "Name.h"
#include "Registry.h"

#include <QObject>
#include <QPointer>

namespace KeyboardShortcuts {

class EventStream : public QObject {
    Q_OBJECT
public:
    EventStream(Registry& registry, const Name& name, std::optional<EventType> type);
    ~EventStream() override;

Q_SIGNALS:
    void event(KeyboardShortcuts::EventType type);

private:
    QPointer<Registry> m_registry;
    Name m_name;
    quint64 m_id;
};

} // namespace KeyboardShortcuts
