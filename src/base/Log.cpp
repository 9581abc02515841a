#include "Log.h"
#include "LogCapture.h"

#include <QByteArray>

#include <cstdio>

void logLine(const QString& line) {
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
