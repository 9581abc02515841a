// One XDG desktop entry (a .desktop file): what the workspace needs to know an application by,
// to name it and to start it. Values are read, never interpreted by a shell.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DesktopEntry {
public:
    struct Action {
        QString id;
        QString name; // localized
        QString exec;
    };

    // Parses the text of an entry; `locale` as in LC_MESSAGES ("de_DE.UTF-8@euro"), empty for
    // the untranslated names. Absent when the text has no [Desktop Entry] group.
    static std::optional<DesktopEntry> parse(const QByteArray& text, const QString& locale);
    static std::optional<DesktopEntry> load(const QString& path, const QString& locale);
    // The locale of the user's messages, from LC_ALL, LC_MESSAGES or LANG.
    static QString userLocale();

    // Splits an Exec value into the program and its arguments: quoting and escapes as desktop
    // entries define them, field codes dropped ("%%" stays as "%"). Absent when the value is
    // malformed (an unterminated quote, a reserved character outside quotes) or empty.
    static std::optional<QStringList> splitExec(const QString& exec);
    // The inverse of splitExec: one argument, quoted when it needs it, with "%" doubled, escaped as a
    // string value of an entry; and a whole command line of such arguments.
    static QString quoteExecArgument(const QString& argument);
    static QString joinExec(const QStringList& arguments);
    // The executable a program name stands for: an absolute path as it is, a bare name looked
    // up in PATH; absent when there is no such executable file.
    static std::optional<QString> findProgram(const QString& program);

    QString path;
    QString type;
    QString name; // localized
    QString exec;
    QString tryExec;
    QString icon;
    QString startupWMClass;
    bool hidden = false;
    bool noDisplay = false;
    QList<Action> actions;

    // The canonical path of the program Exec starts (or TryExec names); absent when not found.
    std::optional<QString> program() const;
    // An application that can be started: Type=Application, not Hidden, its program found.
    bool isInstalledApplication() const;
};
