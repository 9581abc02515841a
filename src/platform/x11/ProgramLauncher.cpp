// Launching without a shell.
#include "ProgramLauncher.h"

#include "DesktopEntry.h"

#include <QDir>
#include <QProcess>

ProgramLauncher::ProgramLauncher(QProcessEnvironment environment) : m_environment(std::move(environment)) {}

std::optional<QString> ProgramLauncher::startExec(const QString& exec) const {
    const auto argv = DesktopEntry::splitExec(exec);
    if (!argv)
        return QStringLiteral("malformed Exec line: %1").arg(exec);
    return start(*argv);
}

std::optional<QString> ProgramLauncher::start(const QStringList& argv) const {
    if (argv.isEmpty())
        return QStringLiteral("nothing to start");
    const auto program = DesktopEntry::findProgram(argv.first());
    if (!program)
        return QStringLiteral("program not found: %1").arg(argv.first());
    QProcess process;
    process.setProgram(*program);
    process.setArguments(argv.mid(1));
    process.setProcessEnvironment(m_environment);
    process.setWorkingDirectory(QDir::homePath());
    process.setStandardInputFile(QProcess::nullDevice());
    // Our standard output is the console log; keep theirs out of it.
    process.setStandardOutputFile(QProcess::nullDevice());
    // Runs in its own session (Qt's detached start calls setsid) and is not our child.
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return QStringLiteral("could not start %1: %2").arg(*program, process.errorString());
    return std::nullopt;
}
