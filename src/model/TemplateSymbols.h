// The symbol name that pictures a layout, from the set of its positions.
#pragma once

#include "Corner.h"

#include <QList>
#include <QString>

#include <optional>

namespace TemplateSymbols {
// Order and repetitions of `corners` do not matter; none for a set that no layout symbol pictures.
std::optional<QString> symbolName(const QList<Corner>& corners);
} // namespace TemplateSymbols
