// Whether Quarlin may move other programs' windows, watched while the permission screen is up: read
// again each time Quarlin becomes the active application and every few seconds, until it may.
#pragma once

#include "platform/Platform.h"

#include <QMetaObject>
#include <QObject>

class PermissionWatch : public QObject {
    Q_OBJECT
public:
    // Seconds between two checks while the watch runs.
    static constexpr double pollInterval = 3.0;

    explicit PermissionWatch(Platform& platform, QObject* parent = nullptr);
    ~PermissionWatch() override;

    bool isTrusted() const { return m_trusted; }
    bool isPolling() const { return m_polling; }
    bool isObservingActivation() const { return bool(m_activationObserver); }

    // Reads the permission afresh; `changed` when it differs from the last reading.
    void check();
    // Reads it afresh without telling anyone.
    bool reread();
    // Checks now and, unless that finds the permission, polls until it does. One observer and one
    // poll however often it is started; the observer, once there, stays as long as the watch, so a
    // permission withdrawn later shows at the next activation.
    void start();
    void stopPolling();

Q_SIGNALS:
    void changed(bool trusted);

private:
    void schedulePoll();

    Platform& m_platform;
    bool m_trusted;
    QMetaObject::Connection m_activationObserver;
    bool m_polling = false;
    int m_pollGeneration = 0;
};
