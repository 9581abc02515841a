// A keyboard layout in memory: the US letters and digits unless a test changes them.
#pragma once

#include "shortcuts/Key.h"
#include "shortcuts/KeyboardLayout.h"

#include <QHash>

class FakeKeyboardLayout : public KeyboardShortcuts::KeyboardLayout {
public:
    FakeKeyboardLayout() {
        using K = KeyboardShortcuts::Key;
        const QList<QPair<K, QString>> keys = {{K::a, "a"},     {K::s, "s"}, {K::z, "z"},
                                               {K::y, "y"},     {K::k, "k"}, {K::one, "1"},
                                               {K::minus, "-"}, {K::f, "f"}, {K::m, "m"}};
        for (const auto& [key, text] : keys)
            characters.insert(key.rawValue(), text);
    }
    std::optional<QString> character(int keyCode) const override {
        const auto it = characters.constFind(keyCode);
        return it == characters.constEnd() ? std::nullopt : std::optional(*it);
    }

    QHash<int, QString> characters;
};
