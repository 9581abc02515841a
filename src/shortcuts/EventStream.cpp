// Stream set-up and tear-down, both on a later turn of the main queue.
#include "EventStream.h"

#include "base/Scheduler.h"

namespace KeyboardShortcuts {

EventStream::EventStream(Registry& registry, const Name& name, std::optional<EventType> type)
    : m_registry(&registry), m_name(name), m_id(++registry.m_nextStreamId) {
    QPointer<EventStream> self(this);
    QPointer<Registry> target(&registry);
    const quint64 id = m_id;
    registry.scheduler().async([self, target, name, id, type] {
        if (!self || !target)
            return;
        if (!type || *type == EventType::keyDown)
            target->addStreamHandler(target->m_streamKeyDownHandlers, name, id, [self] {
                if (self)
                    Q_EMIT self->event(EventType::keyDown);
            });
        if (!type || *type == EventType::keyUp)
            target->addStreamHandler(target->m_streamKeyUpHandlers, name, id, [self] {
                if (self)
                    Q_EMIT self->event(EventType::keyUp);
            });
        target->registerShortcutIfNeeded(name);
    });
}

EventStream::~EventStream() {
    if (!m_registry)
        return;
    QPointer<Registry> target = m_registry;
    const Name name = m_name;
    const quint64 id = m_id;
    m_registry->scheduler().async([target, name, id] {
        if (target)
            target->removeStream(name, id);
    });
}

} // namespace KeyboardShortcuts
