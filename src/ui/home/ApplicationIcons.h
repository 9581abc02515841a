// Application icons for the home lists: the icon a running application names, else the Icon key of
// the installed application's desktop entry; a theme name or a file path, looked up once per key.
#pragma once

#include "placement/RunningApp.h"
#include "platform/Platform.h"

#include <QHash>
#include <QIcon>
#include <QList>

#include <functional>
#include <optional>

class ApplicationIcons {
public:
    // The Icon key of the desktop entry at a location the workspace gave; empty when it has none.
    using EntryIconReader = std::function<QString(const QString& location)>;

    explicit ApplicationIcons(Platform& platform, EntryIconReader readEntryIcon = {});

    // The running applications the lookups consult; the home tab hands over what it gathered last,
    // so that drawing a thousand rows does not enumerate the desktop a thousand times.
    void setRunningApps(const QList<RunningApp>& apps) { m_running = apps; }
    const QList<RunningApp>& runningApps() const { return m_running; }

    // The first running application with that id decides (also when it names no icon); an
    // application that does not run gives its desktop entry's icon. Null when there is none.
    QIcon iconFor(const QString& bundleID);
    // The icon a running application names; null when none or when the theme has no such icon.
    QIcon icon(const std::optional<QString>& key);

private:
    Platform& m_platform;
    EntryIconReader m_readEntryIcon;
    QList<RunningApp> m_running;
    QHash<QString, QIcon> m_byKey;
};
