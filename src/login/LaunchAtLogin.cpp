// Reading and changing the login registration.
#include "LaunchAtLogin.h"

LaunchAtLogin::LaunchAtLogin(LoginItemService& service, LoginLog& log, QObject* parent)
    : QObject(parent), m_service(service), m_log(log) {}

bool LaunchAtLogin::isEnabled() const {
    return m_service.status() == LoginItemService::Status::enabled;
}

void LaunchAtLogin::setEnabled(bool enabled) {
    Q_EMIT willChange();
    if (enabled) {
        // Already registered: leave it, so that a failing re-registration cannot lose it.
        if (!isEnabled())
            if (const auto error = m_service.registerService())
                m_log.logFailure(QStringLiteral("enable"), *error);
    } else if (const auto error = m_service.unregisterService()) {
        m_log.logFailure(QStringLiteral("disable"), *error);
    }
    Q_EMIT didChange(isEnabled());
}
