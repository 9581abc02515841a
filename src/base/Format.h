// The textual forms that console lines use for values: "900.0", "(x, y)", "(x, y, w, h)", "true".
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
