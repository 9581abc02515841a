// The textual forms that console lines use for values: "900.0", "(x, y)", "(x, y, w, h)", "true",
// and text from outside shown so that it cannot act on the terminal.
#pragma once

#include "Geometry.h"

#include <QString>

QString str(double value);
QString str(Point p);
QString str(Size s);
QString str(const Rect& r);
QString str(bool value);
inline QString str(int value) {
    return QString::number(value);
}
inline QString str(long long value) {
    return QString::number(value);
}

// Control characters as escapes ("\\n", "\\x1b", "\\u2028"), everything else as it is: a name from a
// file or another machine can neither split a console line nor send the terminal a command.
QString printable(const QString& text);
