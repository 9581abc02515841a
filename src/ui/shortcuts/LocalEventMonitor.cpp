// An application-wide event filter that can be switched on and off.
#include "LocalEventMonitor.h"

#include <QCoreApplication>

namespace KeyboardShortcuts {

LocalEventMonitor::LocalEventMonitor(QSet<QEvent::Type> events, Callback callback, QObject* parent)
    : QObject(parent), m_events(std::move(events)), m_callback(std::move(callback)) {}

LocalEventMonitor::~LocalEventMonitor() {
    stop();
}

LocalEventMonitor* LocalEventMonitor::start() {
    if (!m_started && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_started = true;
    }
    return this;
}

void LocalEventMonitor::stop() {
    if (m_started && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_started = false;
}

bool LocalEventMonitor::eventFilter(QObject* target, QEvent* event) {
    if (!m_events.contains(event->type()) || !m_callback)
        return false;
    return m_callback(target, event);
}

} // namespace KeyboardShortcuts
