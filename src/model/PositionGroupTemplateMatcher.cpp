#include "PositionGroupTemplateMatcher.h"

#include "AppPositionMapping.h"
#include "PositionGroup.h"

#include <algorithm>

namespace {
// Same length and every position occurring equally often; order is ignored.
bool matches(QList<Corner> corners, QList<Corner> templateCorners) {
    if (corners.size() != templateCorners.size())
        return false;
    std::sort(corners.begin(), corners.end());
    std::sort(templateCorners.begin(), templateCorners.end());
    return corners == templateCorners;
}
} // namespace

std::optional<PositionTemplate> PositionGroupTemplateMatcher::matchedTemplate(const PositionGroup* group) {
    if (!group)
        return std::nullopt;
    const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
    for (const PositionTemplate& candidate : templates)
        if (candidate.desc == group->desc())
            return candidate;
    const QList<AppPositionMapping*> mappings = group->appPositionList();
    if (!mappings.isEmpty()) {
        QList<Corner> corners;
        for (AppPositionMapping* mapping : mappings)
            corners.append(mapping->corner());
        for (const PositionTemplate& candidate : templates)
            if (matches(corners, candidate.positions))
                return candidate;
    }
    for (const PositionTemplate& candidate : templates)
        if (candidate.name.compare(group->name(), Qt::CaseInsensitive) == 0)
            return candidate;
    return std::nullopt;
}
