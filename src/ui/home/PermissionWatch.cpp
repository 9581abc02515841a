#include "PermissionWatch.h"

#include "placement/WindowControlPermission.h"

#include <QGuiApplication>
#include <QPointer>

PermissionWatch::PermissionWatch(Platform& platform, QObject* parent)
    : QObject(parent), m_platform(platform), m_trusted(WindowControlPermission(platform).isTrusted(false)) {}

PermissionWatch::~PermissionWatch() {
    // Pending poll steps find the watch gone.
    stopPolling();
}

void PermissionWatch::check() {
    const bool trusted = WindowControlPermission(m_platform).isTrusted(false);
    if (trusted == m_trusted)
        return;
    m_trusted = trusted;
    Q_EMIT changed(trusted);
}

bool PermissionWatch::reread() {
    m_trusted = WindowControlPermission(m_platform).isTrusted(false);
    return m_trusted;
}

void PermissionWatch::start() {
    check();
    if (m_trusted)
        return;
    if (!m_activationObserver) {
        m_activationObserver = connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                                       [this](Qt::ApplicationState applicationState) {
                                           if (applicationState == Qt::ApplicationActive)
                                               check();
                                       });
    }
    if (!m_polling) {
        m_polling = true;
        schedulePoll();
    }
}

void PermissionWatch::schedulePoll() {
    QPointer<PermissionWatch> self(this);
    const int generation = m_pollGeneration;
    m_platform.scheduler.after(pollInterval, [self, generation] {
        if (!self || !self->m_polling || self->m_pollGeneration != generation)
            return;
        self->check();
        if (self->m_polling)
            self->schedulePoll();
    });
}

void PermissionWatch::stopPolling() {
    m_polling = false;
    ++m_pollGeneration;
}
