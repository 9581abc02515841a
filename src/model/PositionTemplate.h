// The sixteen fixed layouts a position group can be made from.
#pragma once

#include "Corner.h"

#include <QList>
#include <QString>

#include <optional>

struct PositionTemplate {
    QString name;
    QString desc;
    // The i-th application of a configuration gets the i-th position.
    QList<Corner> positions;
    // The one application count the editor offers the template for; absent for most templates.
    std::optional<int> exactAppCount;

    // In picker order, which is also the order the template matcher searches.
    static const QList<PositionTemplate>& predefinedTemplates();
};
