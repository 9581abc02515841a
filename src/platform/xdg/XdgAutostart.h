// Login registration through an XDG autostart entry in the user's configuration folder.
#pragma once

#include "login/LoginItemService.h"

#include <QString>

class XdgAutostart : public LoginItemService {
public:
    // entryId names the file (<entryId>.desktop). installedExec is the Exec value of the program's
    // installed desktop entry: login starts the installed program with it. Without one (a build that
    // is not installed), login starts program, the running executable, and says so in the log.
    XdgAutostart(const QString& entryId, const QString& programName, const QString& program,
                 const QString& installedExec = QString());

    // $XDG_CONFIG_HOME/autostart/<entryId>.desktop, ~/.config when the variable is unset or relative.
    QString entryPath() const;
    // The entry as written: Exec quoted per the Desktop Entry rules, and TryExec naming the program
    // that Exec starts.
    QByteArray entryContents() const;

    // An entry that an earlier run wrote for another program (a build folder), or without TryExec,
    // while this one is installed now starts the installed program. Gives true when it rewrote the
    // entry.
    bool updateToInstalledProgram();

    Status status() const override;
    std::optional<QString> registerService() override;
    std::optional<QString> unregisterService() override;

    // One Exec argument, quoted when it needs it.
    static QString quoteExecArgument(const QString& argument);

private:
    QString tryExec() const;

    QString m_entryId;
    QString m_programName;
    QString m_program;
    QString m_installedExec;
};
