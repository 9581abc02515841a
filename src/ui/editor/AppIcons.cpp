#include "AppIcons.h"

#include "app/AppState.h"

#include <QFile>
#include <QFileInfo>

QIcon AppIcons::iconFor(const QString& bundleID) {
    const auto cached = m_cache.constFind(bundleID);
    if (cached != m_cache.constEnd())
        return *cached;
    QIcon icon;
    bool running = false;
    for (const RunningApp& app : m_state.cachedRunningApps()) {
        if (app.bundleID == bundleID) {
            // A running application without an icon has none: its file is not tried.
            icon = fromSpec(app.icon);
            running = true;
            break;
        }
    }
    if (!running) {
        if (const std::optional<QString> location = m_state.platform().workspace.urlForApplication(bundleID))
            icon = fromSpec(desktopEntryIcon(*location));
    }
    m_cache.insert(bundleID, icon);
    return icon;
}

QIcon AppIcons::fromSpec(const std::optional<QString>& spec) {
    if (!spec || spec->isEmpty())
        return QIcon();
    if (spec->startsWith(QLatin1Char('/')))
        return QFileInfo::exists(*spec) ? QIcon(*spec) : QIcon();
    return QIcon::fromTheme(*spec);
}

QString AppIcons::desktopEntryIcon(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (inMainGroup)
                break;
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        } else if (inMainGroup && line.startsWith(QLatin1String("Icon="))) {
            return line.mid(5).trimmed();
        }
    }
    return QString();
}
