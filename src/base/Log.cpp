#include "Log.h"
#include "Format.h"
#include "LogCapture.h"

#include <QByteArray>

#include <cstdio>

void logLine(const QString& text) {
    // Lines carry names from the sync folder and other machines; none may break out of its line.
    const QString line = printable(text);
    if (LogCapture* capture = LogCapture::current()) {
        capture->append(line);
        if (!capture->echo())
            return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
