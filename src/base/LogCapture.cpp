#include "LogCapture.h"

#include <QLoggingCategory>

#include <cstring>

namespace {
LogCapture* innermost = nullptr;
QLoggingCategory::CategoryFilter filterBefore = nullptr;

// While a capture lives every level of this program's categories is on, whatever the rules say,
// so that tests compare the whole console, debugging traces included.
void captureEverything(QLoggingCategory* category) {
    filterBefore(category);
    if (innermost && std::strncmp(category->categoryName(), "quarlin.", 8) == 0) {
        category->setEnabled(QtDebugMsg, true);
        category->setEnabled(QtInfoMsg, true);
        category->setEnabled(QtWarningMsg, true);
    }
}
} // namespace

LogCapture::LogCapture(bool echo) : m_echo(echo), m_previous(innermost) {
    innermost = this;
    if (!m_previous) {
        // Qt runs a new filter over every category before it hands back the one it replaces: the
        // first, doing nothing, fetches that one for ours to call.
        filterBefore = QLoggingCategory::installFilter([](QLoggingCategory*) {});
        QLoggingCategory::installFilter(captureEverything);
    }
}

LogCapture::~LogCapture() {
    innermost = m_previous;
    if (!innermost)
        QLoggingCategory::installFilter(filterBefore);
}

LogCapture* LogCapture::current() {
    return innermost;
}

QStringList LogCapture::take() {
    QStringList lines;
    lines.swap(m_lines);
    return lines;
}
