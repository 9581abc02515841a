#include "LogCapture.h"

namespace {
LogCapture* innermost = nullptr;
}

LogCapture::LogCapture(bool echo) : m_echo(echo), m_previous(innermost) {
    innermost = this;
}

LogCapture::~LogCapture() {
    innermost = m_previous;
}

LogCapture* LogCapture::current() {
    return innermost;
}

QStringList LogCapture::take() {
    QStringList lines;
    lines.swap(m_lines);
    return lines;
}
