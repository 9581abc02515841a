#include "DesktopColorScheme.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// The value of `key` in the `[group]` of an ini-style file; absent when the file or key is missing.
std::optional<QString> iniValue(const QString& path, const QString& group, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    QString current;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (current == group && eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return std::nullopt;
}

bool isTrue(const QString& value) {
    return value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<bool> DesktopColorScheme::prefersDark(const QString& configHome) {
    const QString home = configHome.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                             : configHome;

    const QString gtkTheme = qEnvironmentVariable("GTK_THEME");
    if (!gtkTheme.isEmpty())
        return gtkTheme.contains(QLatin1String("dark"), Qt::CaseInsensitive);

    if (const auto scheme = iniValue(QDir(home).filePath(QStringLiteral("kdeglobals")),
                                     QStringLiteral("General"), QStringLiteral("ColorScheme")))
        return scheme->contains(QLatin1String("dark"), Qt::CaseInsensitive);

    for (const char* folder : {"gtk-4.0", "gtk-3.0"}) {
        const QString path =
            QDir(home).filePath(QString::fromLatin1(folder) + QStringLiteral("/settings.ini"));
        const QString group = QStringLiteral("Settings");
        if (const auto prefer = iniValue(path, group, QStringLiteral("gtk-application-prefer-dark-theme")))
            if (isTrue(*prefer))
                return true;
        if (const auto theme = iniValue(path, group, QStringLiteral("gtk-theme-name")))
            return theme->contains(QLatin1String("dark"), Qt::CaseInsensitive);
    }
    return std::nullopt;
}
