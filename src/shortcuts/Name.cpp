// Declaring shortcut slots.
#include "Name.h"

#include "Registry.h"

namespace KeyboardShortcuts {

Name::Name(const QString& rawValue, std::optional<Shortcut> defaultShortcut)
    : m_rawValue(rawValue), m_defaultShortcut(defaultShortcut) {
    if (Registry* registry = Registry::current())
        registry->declare(*this);
}

std::optional<Shortcut> Name::shortcut() const {
    Registry* registry = Registry::current();
    return registry ? registry->getShortcut(*this) : std::nullopt;
}

bool Name::setShortcut(const std::optional<Shortcut>& shortcut) const {
    Registry* registry = Registry::current();
    return registry && registry->setShortcut(shortcut, *this);
}

} // namespace KeyboardShortcuts
