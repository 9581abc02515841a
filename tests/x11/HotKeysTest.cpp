// System-wide hot keys on a real X server: keys pressed with xdotool reach the handlers once per press.
#include "TestDesktop.h"

#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "platform/x11/hotkeys/X11HotKeys.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QProcess>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {
const Shortcut superK(Key::k, ModifierFlag::command);
const Shortcut ctrlAltG(Key::g, ModifierFlag::control | ModifierFlag::option);

struct Session {
    explicit Session(TestDesktop& testDesktop) : desktop(testDesktop), keys(testDesktop.displayName()) {}
    // Waits until the handlers have seen what the server sent.
    bool waitFor(const std::function<bool()>& condition) {
        return desktop.waitFor([&] {
            keys.processPendingEvents();
            return condition();
        });
    }
    // Lets every event of the keys sent so far arrive, then checks.
    bool settle(const std::function<bool()>& condition) {
        // A round trip through our own connection: what xdotool sent before it is queued by then.
        keys.isTakenByAnotherClient(Key::f19.rawValue(), StoredModifier::control);
        keys.processPendingEvents();
        return condition();
    }

    TestDesktop& desktop;
    X11HotKeys keys;
    PreferenceStore store;
    QtScheduler scheduler;
    Registry registry{store, keys, scheduler, &keys};
};
} // namespace

class HotKeysTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestDesktop> m_desktop;

private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<TestDesktop>();
        QVERIFY2(m_desktop->isReady(), qPrintable(m_desktop->error()));
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void aRecordedShortcutFiresOncePerPressWhateverTheLocks() {
        Session s(*m_desktop);
        QVERIFY(s.keys.isConnected());
        const Name name(QStringLiteral("activateCurrentGroup"));
        int downs = 0, ups = 0;
        onKeyDown(name, [&] { ++downs; });
        onKeyUp(name, [&] { ++ups; });
        QVERIFY(setShortcut(superK, name));
        QVERIFY(isEnabled(name));

        // No lock, Num Lock, both, Caps Lock alone.
        const QStringList toggles{QString(), QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock"),
                                  QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(toggles[i].isEmpty() || m_desktop->key(toggles[i]));
            QVERIFY(m_desktop->key(QStringLiteral("super+k")));
            QVERIFY(s.waitFor([&] { return ups == i + 1; }));
        }
        QVERIFY(m_desktop->key(toggles[4]));
        QCOMPARE(downs, 4);

        // The modifier let go before the key: the release still belongs to the hot key.
        QVERIFY(m_desktop->keyDown(QStringLiteral("super+k")));
        QVERIFY(m_desktop->keyUp(QStringLiteral("super")));
        QVERIFY(m_desktop->keyUp(QStringLiteral("k")));
        QVERIFY(s.waitFor([&] { return ups == 5; }));

        // Held: the server repeats the key, and the repeats are no new presses.
        QProcess xset;
        xset.setProcessEnvironment(m_desktop->environment());
        xset.start(QStringLiteral("xset"),
                   {QStringLiteral("r"), QStringLiteral("rate"), QStringLiteral("30"), QStringLiteral("50")});
        QVERIFY(xset.waitForFinished());
        QVERIFY(m_desktop->keyDown(QStringLiteral("super+k")));
        QVERIFY(s.waitFor([&] { return s.keys.repeatsDropped() >= 3; }));
        QVERIFY(m_desktop->keyUp(QStringLiteral("k")));
        QVERIFY(m_desktop->keyUp(QStringLiteral("super")));
        QVERIFY(s.waitFor([&] { return ups == 6; }));
        QVERIFY(s.settle([&] { return downs == 6 && ups == 6; }));
    }

    void aCombinationAnotherClientGrabsIsTaken() {
        X11HotKeys other(m_desktop->displayName());
        QCOMPARE(other.registerHotKey(ctrlAltG.carbonKeyCode(), ctrlAltG.carbonModifiers(), 1), 0);

        Session s(*m_desktop);
        QVERIFY(ctrlAltG.isTakenBySystem());
        QVERIFY(!superK.isTakenBySystem());

        LogCapture log;
        const Name name(QStringLiteral("toggleMenuBar"));
        QVERIFY(!setShortcut(ctrlAltG, name));
        QVERIFY(!isEnabled(name));
        QCOMPARE(log.lines(), QStringList{QStringLiteral("Error registering hotkey \u2303\u2325G: 10")});

        other.unregisterHotKey(1);
        enable({name});
        QVERIFY(isEnabled(name));
    }

    void keyNamesFollowTheLayout() {
        Session s(*m_desktop);
        QCOMPARE(Shortcut(Key::y, ModifierFlag::command | ModifierFlag::shift).presentableDescription(),
                 QStringLiteral("\u21E7\u2318Y"));
        QCOMPARE(Shortcut(Key::semicolon, ModifierFlag::control).presentableDescription(),
                 QStringLiteral("\u2303;"));
        const auto setLayout = [this](const char* layout) {
            QProcess setxkbmap;
            setxkbmap.setProcessEnvironment(m_desktop->environment());
            setxkbmap.start(QStringLiteral("setxkbmap"), {QString::fromLatin1(layout)});
            return setxkbmap.waitForFinished() && setxkbmap.exitCode() == 0;
        };
        QVERIFY(setLayout("de"));
        // The same physical keys under a German layout.
        QCOMPARE(Shortcut(Key::y, ModifierFlag::command | ModifierFlag::shift).presentableDescription(),
                 QStringLiteral("\u21E7\u2318Z"));
        QCOMPARE(Shortcut(Key::semicolon, ModifierFlag::control).presentableDescription(),
                 QStringLiteral("\u2303\u00D6"));
        QVERIFY(setLayout("us"));

        // The grabs survive the layout change.
        const Name name(QStringLiteral("cyclePositionGroups"));
        int ups = 0;
        onKeyUp(name, [&] { ++ups; });
        setShortcut(superK, name);
        QVERIFY(setLayout("de"));
        QVERIFY(m_desktop->key(QStringLiteral("super+k")));
        QVERIFY(s.waitFor([&] { return ups == 1; }));
        QVERIFY(setLayout("us"));

        // Cleared: pressing does nothing.
        setShortcut(std::nullopt, name);
        QVERIFY(m_desktop->key(QStringLiteral("super+k")));
        QVERIFY(s.settle([&] { return ups == 1; }));
    }
};

QTEST_GUILESS_MAIN(HotKeysTest)
#include "HotKeysTest.moc"
