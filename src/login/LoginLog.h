// Where launch at login reports a change that the desktop refused.
#pragma once

#include <QString>

class LoginLog {
public:
    virtual ~LoginLog() = default;
    // Writes "Failed to <action> launch at login: <description>" at error level.
    virtual void logFailure(const QString& action, const QString& description) = 0;
};
