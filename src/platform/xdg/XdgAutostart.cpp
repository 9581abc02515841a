// Writing, reading and removing the autostart entry.
#include "XdgAutostart.h"

#include "base/Log.h"
#include "platform/x11/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

XdgAutostart::XdgAutostart(const QString& entryId, const QString& programName, const QString& program,
                           const QString& installedExec)
    : m_entryId(entryId), m_programName(programName), m_program(program), m_installedExec(installedExec) {}

namespace {
// A string value as a desktop entry stores it: the reader took these escapes out.
QString escapeValue(const QString& value) {
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}
} // namespace

QString XdgAutostart::entryPath() const {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + m_entryId + QStringLiteral(".desktop");
}

QString XdgAutostart::quoteExecArgument(const QString& argument) {
    return DesktopEntry::quoteExecArgument(argument);
}

QString XdgAutostart::tryExec() const {
    if (m_installedExec.isEmpty())
        return m_program;
    const std::optional<QStringList> arguments = DesktopEntry::splitExec(m_installedExec);
    return arguments ? arguments->first() : QString();
}

QByteArray XdgAutostart::entryContents() const {
    QString name = m_programName;
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // TryExec lets a login session skip the entry once the program is gone (removed with its
    // package, or a build folder deleted): the entry itself stays in the user's folder.
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=%1\n"
                                  "Exec=%2\n")
                       .arg(name, m_installedExec.isEmpty() ? quoteExecArgument(m_program)
                                                            : escapeValue(m_installedExec));
    const QString program = tryExec();
    if (!program.isEmpty())
        text += QStringLiteral("TryExec=%1\n").arg(escapeValue(program));
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool XdgAutostart::updateToInstalledProgram() {
    if (m_installedExec.isEmpty() || status() != Status::enabled)
        return false;
    const std::optional<DesktopEntry> current = DesktopEntry::load(entryPath(), QString());
    if (!current || (current->exec == m_installedExec && current->tryExec == tryExec()))
        return false;
    if (registerService())
        return false;
    // An entry of an earlier version that only lacked TryExec starts the same program as before.
    if (current->exec != m_installedExec)
        logInfo(lcLogin, QStringLiteral("Launch at login now starts the installed Quarlin (it started %1)")
                             .arg(current->exec));
    return true;
}

LoginItemService::Status XdgAutostart::status() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return Status::notRegistered;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed() == "Hidden" && line.mid(eq + 1).trimmed() == "true")
            return Status::notRegistered;
    }
    return Status::enabled;
}

std::optional<QString> XdgAutostart::registerService() {
    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder %1").arg(folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(entryContents());
    if (!file.commit())
        return file.errorString();
    if (m_installedExec.isEmpty())
        logWarning(lcLogin,
                   QStringLiteral("Launch at login starts %1: Quarlin is not installed (no %2.desktop found)")
                       .arg(m_program, m_entryId));
    return std::nullopt;
}

std::optional<QString> XdgAutostart::unregisterService() {
    QFile file(entryPath());
    if (!file.exists())
        return std::nullopt;
    if (!file.remove())
        return file.errorString();
    return std::nullopt;
}
