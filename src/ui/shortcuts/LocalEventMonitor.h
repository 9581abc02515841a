// Watches the program's own events of some types before their widgets see them; the callback answers
// whether to swallow each one.
#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>

#include <functional>

namespace KeyboardShortcuts {

class LocalEventMonitor : public QObject {
    Q_OBJECT
public:
    // Answers true to swallow the event.
    using Callback = std::function<bool(QObject* target, QEvent* event)>;

    LocalEventMonitor(QSet<QEvent::Type> events, Callback callback, QObject* parent = nullptr);
    ~LocalEventMonitor() override;

    LocalEventMonitor* start();
    void stop();
    bool isStarted() const { return m_started; }

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    QSet<QEvent::Type> m_events;
    Callback m_callback;
    bool m_started = false;
};

} // namespace KeyboardShortcuts
