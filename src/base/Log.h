// The program's console: one line per event, exact text, on standard output. Every line belongs to
// the category of the module that writes it ("quarlin.placement", "quarlin.sync", ...): the
// engine's debugging traces are at debug level and off unless QT_LOGGING_RULES turns them on, what
// came of an action is at info, what failed or was skipped at warning. Control characters are shown
// as escapes (see printable()), so that each event stays one line.
#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcActivation)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcLogin)
Q_DECLARE_LOGGING_CATEGORY(lcPlacement)
Q_DECLARE_LOGGING_CATEGORY(lcPreferences)
Q_DECLARE_LOGGING_CATEGORY(lcShortcuts)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcSync)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

using LogCategory = const QLoggingCategory& (*)();

void logDebug(LogCategory category, const QString& line);
void logInfo(LogCategory category, const QString& line);
void logWarning(LogCategory category, const QString& line);

// From now on this program's categories print their lines exactly as written, one per line on
// standard output; every other category's messages go on to the handler installed before.
void installConsole();
