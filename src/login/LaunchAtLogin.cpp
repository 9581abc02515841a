// Reading and changing the login registration.
#include "LaunchAtLogin.h"

LaunchAtLogin::LaunchAtLogin(LoginItemService& service, LoginLog& log, QObject* parent)
    : QObject(parent), m_service(service), m_log(log) {}

bool LaunchAtLogin::isEnabled() const {
    return m_service.status() == LoginItemService::Status::enabled;
}

void LaunchAtLogin::setEnabled(bool enabled) {
    Q_EMIT willChange();
    std::optional<QString> error;
    // Already registered: leave it, so that a failing re-registration cannot lose it.
    if (enabled && !isEnabled())
        error = m_service.registerService();
    else if (!enabled)
        error = m_service.unregisterService();
    if (error)
        m_log.logFailure(enabled ? QStringLiteral("enable") : QStringLiteral("disable"), *error);
    m_lastError = error.value_or(QString());
    Q_EMIT didChange(isEnabled());
}
