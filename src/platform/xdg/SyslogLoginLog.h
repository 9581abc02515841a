// Launch-at-login failures in the system log.
#pragma once

#include "login/LoginLog.h"

class SyslogLoginLog : public LoginLog {
public:
    void logFailure(const QString& action, const QString& description) override;
};
