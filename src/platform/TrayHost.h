// Whether the desktop has a place for a status item: an XEmbed system tray or a StatusNotifier
// host that really shows items (a watcher alone draws nothing). A program that hides its taskbar entry must
// know when this goes away. Main thread.
#pragma once

#include <QObject>
#include <QRect>

class TrayHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Some tray can show our icon now.
    virtual bool isAvailable() const = 0;
    // Our icon is drawn by a StatusNotifier host, which never tells where it drew it.
    virtual bool usesStatusNotifier() const = 0;
    // The panel that holds the tray, in root coordinates; empty when unknown.
    virtual QRect panel() const { return {}; }

Q_SIGNALS:
    void availabilityChanged(bool available);
    void statusNotifierChanged(bool used);
};
