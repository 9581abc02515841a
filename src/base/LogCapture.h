// Collects the console lines written while it lives, so that tests can compare them line by line.
#pragma once

#include <QStringList>

class LogCapture {
public:
    // With echo off the captured lines are not written to standard output.
    explicit LogCapture(bool echo = false);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    // The captured lines, then forgets them.
    QStringList take();
    void clear() { m_lines.clear(); }

    void append(const QString& line) { m_lines.append(line); }
    bool echo() const { return m_echo; }

    // The innermost living capture, if any. Only the main thread logs, so no lock is needed.
    static LogCapture* current();

private:
    QStringList m_lines;
    bool m_echo;
    LogCapture* m_previous;
};
