// The fixed table of physical key positions.
#include "PhysicalKeys.h"

#include "Key.h"

#include <Qt>

namespace KeyboardShortcuts::PhysicalKeys {

namespace {
struct Row {
    int keyCode;
    int xKeycode;
    int qtKey;
};

// The ISO key between left Shift and Z (the "<>" key of German keyboards) has no named constant.
constexpr int isoSection = 10;

// clang-format off
const Row rows[] = {
    {Key::a.rawValue(), 38, Qt::Key_A}, {Key::s.rawValue(), 39, Qt::Key_S}, {Key::d.rawValue(), 40, Qt::Key_D},
    {Key::f.rawValue(), 41, Qt::Key_F}, {Key::h.rawValue(), 43, Qt::Key_H}, {Key::g.rawValue(), 42, Qt::Key_G},
    {Key::z.rawValue(), 52, Qt::Key_Z}, {Key::x.rawValue(), 53, Qt::Key_X}, {Key::c.rawValue(), 54, Qt::Key_C},
    {Key::v.rawValue(), 55, Qt::Key_V}, {isoSection, 94, Qt::Key_Less}, {Key::b.rawValue(), 56, Qt::Key_B},
    {Key::q.rawValue(), 24, Qt::Key_Q}, {Key::w.rawValue(), 25, Qt::Key_W}, {Key::e.rawValue(), 26, Qt::Key_E},
    {Key::r.rawValue(), 27, Qt::Key_R}, {Key::y.rawValue(), 29, Qt::Key_Y}, {Key::t.rawValue(), 28, Qt::Key_T},
    {Key::one.rawValue(), 10, Qt::Key_1}, {Key::two.rawValue(), 11, Qt::Key_2},
    {Key::three.rawValue(), 12, Qt::Key_3}, {Key::four.rawValue(), 13, Qt::Key_4},
    {Key::six.rawValue(), 15, Qt::Key_6}, {Key::five.rawValue(), 14, Qt::Key_5},
    {Key::equal.rawValue(), 21, Qt::Key_Equal}, {Key::nine.rawValue(), 18, Qt::Key_9},
    {Key::seven.rawValue(), 16, Qt::Key_7}, {Key::minus.rawValue(), 20, Qt::Key_Minus},
    {Key::eight.rawValue(), 17, Qt::Key_8}, {Key::zero.rawValue(), 19, Qt::Key_0},
    {Key::rightBracket.rawValue(), 35, Qt::Key_BracketRight}, {Key::o.rawValue(), 32, Qt::Key_O},
    {Key::u.rawValue(), 30, Qt::Key_U}, {Key::leftBracket.rawValue(), 34, Qt::Key_BracketLeft},
    {Key::i.rawValue(), 31, Qt::Key_I}, {Key::p.rawValue(), 33, Qt::Key_P},
    {Key::return_.rawValue(), 36, Qt::Key_Return}, {Key::l.rawValue(), 46, Qt::Key_L},
    {Key::j.rawValue(), 44, Qt::Key_J}, {Key::quote.rawValue(), 48, Qt::Key_Apostrophe},
    {Key::k.rawValue(), 45, Qt::Key_K}, {Key::semicolon.rawValue(), 47, Qt::Key_Semicolon},
    {Key::backslash.rawValue(), 51, Qt::Key_Backslash}, {Key::comma.rawValue(), 59, Qt::Key_Comma},
    {Key::slash.rawValue(), 61, Qt::Key_Slash}, {Key::n.rawValue(), 57, Qt::Key_N},
    {Key::m.rawValue(), 58, Qt::Key_M}, {Key::period.rawValue(), 60, Qt::Key_Period},
    {Key::tab.rawValue(), 23, Qt::Key_Tab}, {Key::space.rawValue(), 65, Qt::Key_Space},
    {Key::backtick.rawValue(), 49, Qt::Key_QuoteLeft}, {Key::delete_.rawValue(), 22, Qt::Key_Backspace},
    {Key::escape.rawValue(), 9, Qt::Key_Escape}, {Key::rightCommand.rawValue(), 134, 0},
    {Key::command.rawValue(), 133, Qt::Key_Meta}, {Key::shift.rawValue(), 50, Qt::Key_Shift},
    {Key::capsLock.rawValue(), 66, Qt::Key_CapsLock}, {Key::option.rawValue(), 64, Qt::Key_Alt},
    {Key::control.rawValue(), 37, Qt::Key_Control}, {Key::rightShift.rawValue(), 62, 0},
    {Key::rightOption.rawValue(), 108, Qt::Key_AltGr}, {Key::rightControl.rawValue(), 105, 0},
    {Key::f17.rawValue(), 195, Qt::Key_F17}, {Key::keypadDecimal.rawValue(), 91, 0},
    {Key::keypadMultiply.rawValue(), 63, 0}, {Key::keypadPlus.rawValue(), 86, 0},
    {Key::keypadClear.rawValue(), 77, Qt::Key_NumLock}, {Key::volumeUp.rawValue(), 123, Qt::Key_VolumeUp},
    {Key::volumeDown.rawValue(), 122, Qt::Key_VolumeDown}, {Key::mute.rawValue(), 121, Qt::Key_VolumeMute},
    {Key::keypadDivide.rawValue(), 106, 0}, {Key::keypadEnter.rawValue(), 104, Qt::Key_Enter},
    {Key::keypadMinus.rawValue(), 82, 0}, {Key::f18.rawValue(), 196, Qt::Key_F18},
    {Key::f19.rawValue(), 197, Qt::Key_F19}, {Key::keypadEquals.rawValue(), 125, 0},
    {Key::keypad0.rawValue(), 90, 0}, {Key::keypad1.rawValue(), 87, 0}, {Key::keypad2.rawValue(), 88, 0},
    {Key::keypad3.rawValue(), 89, 0}, {Key::keypad4.rawValue(), 83, 0}, {Key::keypad5.rawValue(), 84, 0},
    {Key::keypad6.rawValue(), 85, 0}, {Key::keypad7.rawValue(), 79, 0}, {Key::keypad8.rawValue(), 80, 0},
    {Key::keypad9.rawValue(), 81, 0}, {Key::f20.rawValue(), 198, Qt::Key_F20},
    {Key::f5.rawValue(), 71, Qt::Key_F5}, {Key::f6.rawValue(), 72, Qt::Key_F6},
    {Key::f7.rawValue(), 73, Qt::Key_F7}, {Key::f3.rawValue(), 69, Qt::Key_F3},
    {Key::f8.rawValue(), 74, Qt::Key_F8}, {Key::f9.rawValue(), 75, Qt::Key_F9},
    {Key::f11.rawValue(), 95, Qt::Key_F11}, {Key::f13.rawValue(), 191, Qt::Key_F13},
    {Key::f16.rawValue(), 194, Qt::Key_F16}, {Key::f14.rawValue(), 192, Qt::Key_F14},
    {Key::f10.rawValue(), 76, Qt::Key_F10}, {Key::f12.rawValue(), 96, Qt::Key_F12},
    {Key::f15.rawValue(), 193, Qt::Key_F15}, {Key::help.rawValue(), 118, Qt::Key_Insert},
    {Key::home.rawValue(), 110, Qt::Key_Home}, {Key::pageUp.rawValue(), 112, Qt::Key_PageUp},
    {Key::deleteForward.rawValue(), 119, Qt::Key_Delete}, {Key::f4.rawValue(), 70, Qt::Key_F4},
    {Key::end.rawValue(), 115, Qt::Key_End}, {Key::f2.rawValue(), 68, Qt::Key_F2},
    {Key::pageDown.rawValue(), 117, Qt::Key_PageDown}, {Key::f1.rawValue(), 67, Qt::Key_F1},
    {Key::leftArrow.rawValue(), 113, Qt::Key_Left}, {Key::rightArrow.rawValue(), 114, Qt::Key_Right},
    {Key::downArrow.rawValue(), 116, Qt::Key_Down}, {Key::upArrow.rawValue(), 111, Qt::Key_Up},
};
// clang-format on
} // namespace

std::optional<int> xKeycode(int keyCode) {
    for (const Row& row : rows)
        if (row.keyCode == keyCode)
            return row.xKeycode;
    return std::nullopt;
}

std::optional<int> keyCodeForXKeycode(int x) {
    for (const Row& row : rows)
        if (row.xKeycode == x)
            return row.keyCode;
    return std::nullopt;
}

std::optional<int> keyCodeForQtKey(int qtKey) {
    if (qtKey == 0)
        return std::nullopt;
    if (qtKey == Qt::Key_Backtab)
        return Key::tab.rawValue();
    for (const Row& row : rows)
        if (row.qtKey == qtKey)
            return row.keyCode;
    return std::nullopt;
}

std::optional<int> qtKeyForKeyCode(int keyCode) {
    for (const Row& row : rows)
        if (row.keyCode == keyCode && row.qtKey != 0)
            return row.qtKey;
    return std::nullopt;
}

} // namespace KeyboardShortcuts::PhysicalKeys
