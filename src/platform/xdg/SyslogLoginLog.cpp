// Writes to syslog(3) under the component's own identity.
#include "SyslogLoginLog.h"

#include <syslog.h>

void SyslogLoginLog::logFailure(const QString& action, const QString& description) {
    const QByteArray actionBytes = action.toUtf8();
    const QByteArray descriptionBytes = description.toUtf8();
    openlog("com.quennebrisk.LaunchAtLogin", LOG_PID, LOG_USER);
    // The texts are arguments, never the format.
    syslog(LOG_ERR, "Failed to %s launch at login: %s", actionBytes.constData(),
           descriptionBytes.constData());
    closelog();
}
