// The program's console: one line per event, exact text, written to standard output.
#pragma once

#include <QString>

void logLine(const QString& line);
