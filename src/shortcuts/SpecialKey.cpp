// The special-key table.
#include "SpecialKey.h"

#include "Key.h"
#include "ResourceBundle.h"

namespace KeyboardShortcuts {

namespace {

struct Row {
    Key key;
    // Empty where the glyph is made another way (space and function keys).
    const char16_t* glyph;
    bool hasMenuEquivalent;
};

// clang-format off
const Row rows[] = {
    {Key::return_, u"\u21A9", true}, {Key::delete_, u"\u232B", true}, {Key::deleteForward, u"\u2326", true},
    {Key::end, u"\u2198", true}, {Key::escape, u"\u238B", true}, {Key::help, u"?\u20DD", true},
    {Key::home, u"\u2196", true}, {Key::space, u"", true}, {Key::tab, u"\u21E5", true},
    {Key::pageUp, u"\u21DE", true}, {Key::pageDown, u"\u21DF", true}, {Key::upArrow, u"\u2191", true},
    {Key::rightArrow, u"\u2192", true}, {Key::downArrow, u"\u2193", true}, {Key::leftArrow, u"\u2190", true},
    {Key::f1, u"", true}, {Key::f2, u"", true}, {Key::f3, u"", true}, {Key::f4, u"", true}, {Key::f5, u"", true},
    {Key::f6, u"", true}, {Key::f7, u"", true}, {Key::f8, u"", true}, {Key::f9, u"", true}, {Key::f10, u"", true},
    {Key::f11, u"", true}, {Key::f12, u"", true}, {Key::f13, u"", true}, {Key::f14, u"", true},
    {Key::f15, u"", true}, {Key::f16, u"", true}, {Key::f17, u"", true}, {Key::f18, u"", true},
    {Key::f19, u"", true}, {Key::f20, u"", true},
    {Key::keypad0, u"0\u20E3", false}, {Key::keypad1, u"1\u20E3", false}, {Key::keypad2, u"2\u20E3", false},
    {Key::keypad3, u"3\u20E3", false}, {Key::keypad4, u"4\u20E3", false}, {Key::keypad5, u"5\u20E3", false},
    {Key::keypad6, u"6\u20E3", false}, {Key::keypad7, u"7\u20E3", false}, {Key::keypad8, u"8\u20E3", false},
    {Key::keypad9, u"9\u20E3", false}, {Key::keypadClear, u"\u2612\u20E3", false},
    {Key::keypadDecimal, u".\u20E3", false}, {Key::keypadDivide, u"/\u20E3", false},
    {Key::keypadEnter, u"\u21A9\u20E3", false}, {Key::keypadEquals, u"=\u20E3", false},
    {Key::keypadMinus, u"-\u20E3", false}, {Key::keypadMultiply, u"*\u20E3", false},
    {Key::keypadPlus, u"+\u20E3", false},
};
// clang-format on
constexpr int firstFunctionKey = 15;

QString capitalized(const QString& text) {
    QString result = text;
    bool startOfWord = true;
    for (QChar& c : result) {
        c = startOfWord ? c.toTitleCase() : c.toLower();
        startOfWord = c.isSpace();
    }
    return result;
}
} // namespace

std::optional<SpecialKey> SpecialKey::forKeyCode(int keyCode) {
    for (int i = 0; i < int(std::size(rows)); ++i) {
        if (rows[i].key.rawValue() == keyCode) {
            SpecialKey key(i);
            key.m_keyCode = keyCode;
            return key;
        }
    }
    return std::nullopt;
}

QString SpecialKey::glyph() const {
    const Row& row = rows[m_index];
    if (row.key == Key::space)
        return capitalized(localized(QStringLiteral("space_key")));
    if (m_index >= firstFunctionKey && m_index < firstFunctionKey + 20)
        return QStringLiteral("F%1").arg(m_index - firstFunctionKey + 1);
    return QString::fromUtf16(row.glyph);
}

std::optional<QString> SpecialKey::menuItemKeyEquivalent() const {
    const Row& row = rows[m_index];
    if (!row.hasMenuEquivalent)
        return std::nullopt;
    if (row.key == Key::space)
        return QStringLiteral(" ");
    if (m_index >= firstFunctionKey && m_index < firstFunctionKey + 20)
        return QString(QChar(char16_t(0xF704 + m_index - firstFunctionKey)));
    return QString::fromUtf16(row.glyph);
}

} // namespace KeyboardShortcuts
