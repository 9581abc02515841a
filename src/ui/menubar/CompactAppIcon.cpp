#include "CompactAppIcon.h"

#include "placement/RunningAppsHelper.h"
#include "ui/look/LookColors.h"
#include "ui/look/Symbols.h"

#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTextStream>

namespace CompactAppIcon {

QString iconOfDesktopEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Icon=")))
            return line.mid(5).trimmed();
    }
    return {};
}

QPixmap pixmap(Platform& platform, const QString& bundleID, int pixelSize) {
    QString icon;
    bool running = false;
    for (const RunningApp& app : RunningAppsHelper(platform).getRunningApps()) {
        if (app.bundleID == bundleID) {
            running = true;
            icon = app.icon.value_or(QString());
            break;
        }
    }
    if (!running) {
        if (const std::optional<QString> location = platform.workspace.urlForApplication(bundleID))
            icon = iconOfDesktopEntry(*location);
    }
    if (!icon.isEmpty()) {
        const QIcon found = QFileInfo(icon).isAbsolute() ? QIcon(icon) : QIcon::fromTheme(icon);
        if (!found.isNull())
            return found.pixmap(pixelSize, pixelSize);
    }
    // The symbol at 8 of the 12 points an icon takes.
    return Symbols::pixmap(QStringLiteral("app.fill"), pixelSize * 2 / 3,
                           LookColors::secondary(LookColors::isDark()));
}

} // namespace CompactAppIcon
