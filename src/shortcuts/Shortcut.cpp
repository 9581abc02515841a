// Shortcut values: stored form, display text and conflict checks.
#include "Shortcut.h"

#include "KeyboardLayout.h"
#include "Name.h"
#include "Registry.h"
#include "SpecialKey.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace KeyboardShortcuts {

namespace {
std::optional<int> integerMember(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::floor(number) != number || number < double(std::numeric_limits<int>::min()) ||
        number > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(number);
}
} // namespace

Shortcut::Shortcut(int carbonKeyCode, int carbonModifiers)
    : m_carbonKeyCode(carbonKeyCode), m_carbonModifiers(normalizedStoredModifiers(carbonModifiers)) {}

Shortcut::Shortcut(Key key, ModifierFlags modifiers) : Shortcut(key.rawValue(), storedModifiers(modifiers)) {}

std::optional<Shortcut> Shortcut::fromEvent(KeyEventType type, int keyCode, ModifierFlags modifiers) {
    if (type == KeyEventType::other)
        return std::nullopt;
    modifiers.setFlag(ModifierFlag::function, false);
    return Shortcut(keyCode, storedModifiers(modifiers));
}

std::optional<Shortcut> Shortcut::fromName(const Name& name) {
    return name.shortcut();
}

QByteArray Shortcut::encoded() const {
    // QJsonDocument sorts members, which keeps "carbonKeyCode" before "carbonModifiers".
    QJsonObject object{{QStringLiteral("carbonKeyCode"), m_carbonKeyCode},
                       {QStringLiteral("carbonModifiers"), m_carbonModifiers}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Shortcut> Shortcut::decoded(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return std::nullopt;
    const auto keyCode = integerMember(doc.object(), QStringLiteral("carbonKeyCode"));
    const auto modifiers = integerMember(doc.object(), QStringLiteral("carbonModifiers"));
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(AsStored{}, *keyCode, *modifiers);
}

std::optional<QString> keyToCharacter(int keyCode) {
    const Registry* registry = Registry::current();
    const KeyboardLayout* layout = registry ? registry->layout() : nullptr;
    if (!layout || SpecialKey::forKeyCode(keyCode) || keyCode < 0 || keyCode > 65535)
        return std::nullopt;
    const std::optional<QString> text = layout->character(keyCode);
    if (!text || text->toUcs4().size() != 1)
        return std::nullopt;
    return text;
}

QString Shortcut::presentableDescription() const {
    QString text = ks_symbolicRepresentation(modifiers());
    if (const auto special = SpecialKey::forKeyCode(m_carbonKeyCode))
        return text + special->glyph();
    const QString character = keyToCharacter(m_carbonKeyCode).value_or(QString(QChar(0xFFFD)));
    return text + character.toUpper();
}

std::optional<QString> Shortcut::nsMenuItemKeyEquivalent() const {
    if (const auto special = SpecialKey::forKeyCode(m_carbonKeyCode))
        return special->menuItemKeyEquivalent();
    return keyToCharacter(m_carbonKeyCode);
}

std::optional<MenuItem> Shortcut::menuItemWithMatchingShortcut(const QList<MenuItem>& menu) const {
    const ModifierFlags flags = modifiers();
    for (const MenuItem& item : menu) {
        QString keyEquivalent = item.keyEquivalent;
        ModifierFlags mask = item.keyEquivalentModifierMask;
        if (flags.testFlag(ModifierFlag::shift) && keyEquivalent != keyEquivalent.toLower()) {
            keyEquivalent = keyEquivalent.toLower();
            mask |= ModifierFlag::shift;
        }
        if (const auto character = nsMenuItemKeyEquivalent())
            if (*character == keyEquivalent && flags == mask)
                return item;
        if (!item.submenu.isEmpty())
            if (auto found = menuItemWithMatchingShortcut(item.submenu))
                return found;
    }
    return std::nullopt;
}

std::optional<MenuItem> Shortcut::takenByMainMenu(const std::optional<QList<MenuItem>>& mainMenu) const {
    if (!mainMenu)
        return std::nullopt;
    return menuItemWithMatchingShortcut(*mainMenu);
}

bool Shortcut::isTakenBySystem() const {
    if (*this == Shortcut(Key::f12, {}))
        return false;
    Registry* registry = Registry::current();
    return registry && registry->isTakenByAnotherClient(*this);
}

} // namespace KeyboardShortcuts
