// The program's console: one line per event, exact text, written to standard output. Control
// characters in it are shown as escapes (see printable()), so that each event stays one line.
#pragma once

#include <QString>

void logLine(const QString& line);
