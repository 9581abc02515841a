// Whether the program starts when the user logs in. The answer lives with the desktop, never here:
// every read asks again.
#pragma once

#include "LoginItemService.h"
#include "LoginLog.h"

#include <QObject>

class LaunchAtLogin : public QObject {
    Q_OBJECT
public:
    LaunchAtLogin(LoginItemService& service, LoginLog& log, QObject* parent = nullptr);

    bool isEnabled() const;
    // A refused change is logged; the signals then tell the state the desktop really has.
    void setEnabled(bool enabled);
    // Why the last change was refused, for the user; empty after one that went through.
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    void willChange();
    void didChange(bool isEnabled);

private:
    LoginItemService& m_service;
    LoginLog& m_log;
    QString m_lastError;
};
