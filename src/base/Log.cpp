#include "Log.h"
#include "Format.h"
#include "LogCapture.h"

#include <QByteArray>
#include <QDebug>

#include <cstdio>
#include <cstring>

Q_LOGGING_CATEGORY(lcActivation, "quarlin.activation", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "quarlin.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLogin, "quarlin.login", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlacement, "quarlin.placement", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPreferences, "quarlin.preferences", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShortcuts, "quarlin.shortcuts", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "quarlin.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSync, "quarlin.sync", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "quarlin.ui", QtInfoMsg)

namespace {

QtMessageHandler handlerBefore = nullptr;

bool isOurs(const char* category) {
    return category && std::strncmp(category, "quarlin.", 8) == 0;
}

void console(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!isOurs(context.category)) {
        if (handlerBefore)
            handlerBefore(type, context, message);
        return;
    }
    const QByteArray bytes = message.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void log(QtMsgType type, LogCategory category, const QString& text) {
    const QLoggingCategory& c = category();
    if (!c.isEnabled(type))
        return;
    // Lines carry names from the sync folder and other machines; none may break out of its line.
    const QString line = printable(text);
    // A capture takes the line before any message handler does, so tests see it whatever handler
    // their framework installs.
    if (LogCapture* capture = LogCapture::current()) {
        capture->append(line);
        if (!capture->echo())
            return;
    }
    QMessageLogger logger(nullptr, 0, nullptr, c.categoryName());
    QDebug stream = type == QtDebugMsg  ? logger.debug()
                    : type == QtInfoMsg ? logger.info()
                                        : logger.warning();
    stream.nospace().noquote() << line;
}

} // namespace

void logDebug(LogCategory category, const QString& line) {
    log(QtDebugMsg, category, line);
}

void logInfo(LogCategory category, const QString& line) {
    log(QtInfoMsg, category, line);
}

void logWarning(LogCategory category, const QString& line) {
    log(QtWarningMsg, category, line);
}

void installConsole() {
    const QtMessageHandler before = qInstallMessageHandler(console);
    if (before != console)
        handlerBefore = before;
}
