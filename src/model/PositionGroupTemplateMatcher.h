// Recognises which fixed layout a stored position group corresponds to, so that rows can name it.
#pragma once

#include "PositionTemplate.h"

#include <optional>

class PositionGroup;

namespace PositionGroupTemplateMatcher {
// First by description, then (when the group has mappings) by positions as a multiset, then by name
// ignoring case; each test walks every template in order before the next one starts.
std::optional<PositionTemplate> matchedTemplate(const PositionGroup* group);
} // namespace PositionGroupTemplateMatcher
