// A desktop's hot keys in memory: records every grab and release, lets tests press grabbed keys and
// pretend that other programs hold combinations.
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>

class FakeHotKeyBackend : public KeyboardShortcuts::HotKeyBackend {
public:
    struct Grab {
        int keyCode;
        int modifiers;
        quint32 id;
    };

    int registerHotKey(int keyCode, int modifiers, quint32 id) override {
        calls << QStringLiteral("register %1 %2 #%3").arg(keyCode).arg(modifiers).arg(id);
        if (takenByOthers.contains({keyCode, modifiers}))
            return 10;
        grabs.append({keyCode, modifiers, id});
        return 0;
    }
    void unregisterHotKey(quint32 id) override {
        calls << QStringLiteral("unregister #%1").arg(id);
        const auto before = grabs.size();
        grabs.removeIf([id](const Grab& g) { return g.id == id; });
        if (grabs.size() == before)
            calls << QStringLiteral("unregister of an unknown grab #%1").arg(id);
    }
    bool isTakenByAnotherClient(int keyCode, int modifiers) override {
        return takenByOthers.contains({keyCode, modifiers});
    }
    void setEventHandler(EventHandler handler) override { m_handler = std::move(handler); }

    bool isGrabbed(const KeyboardShortcuts::Shortcut& s) const {
        for (const Grab& g : grabs)
            if (g.keyCode == s.carbonKeyCode() && g.modifiers == s.carbonModifiers())
                return true;
        return false;
    }
    // Presses and releases the combination, as the desktop reports a grabbed key.
    void press(const KeyboardShortcuts::Shortcut& s, bool down = true, bool up = true) {
        for (const Grab& g : grabs) {
            if (g.keyCode != s.carbonKeyCode() || g.modifiers != s.carbonModifiers())
                continue;
            const quint32 id = g.id;
            if (down && m_handler)
                m_handler(id, true);
            if (up && m_handler)
                m_handler(id, false);
            return;
        }
    }

    QList<Grab> grabs;
    QSet<QPair<int, int>> takenByOthers;
    QStringList calls;

private:
    EventHandler m_handler;
};
