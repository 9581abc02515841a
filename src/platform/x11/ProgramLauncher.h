// Starts programs the way a desktop entry asks: an argument list, never a shell, detached in
// a session of its own so that it outlives us and gets none of our signals.
#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include <optional>

class ProgramLauncher {
public:
    explicit ProgramLauncher(QProcessEnvironment environment);

    // Starts an Exec value of a desktop entry; the error text when it could not be started.
    std::optional<QString> startExec(const QString& exec) const;
    // Starts a program (looked up in PATH when it has no "/") with its arguments.
    std::optional<QString> start(const QStringList& argv) const;

private:
    QProcessEnvironment m_environment;
};
