// Shortcut slots in the preferences, handlers and dispatch, and the hot keys that follow them,
// against a desktop in memory.
#include "Desktop.h"

#include "base/LogCapture.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QSignalSpy>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {
const Shortcut cmdShiftA(Key::a, ModifierFlag::command | ModifierFlag::shift);
const Shortcut cmdK(Key::k, ModifierFlag::command);
const Shortcut ctrlOptS(Key::s, ModifierFlag::control | ModifierFlag::option);

} // namespace

class RegistryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storesTheExactBytesAndTellsListeners() {
        Desktop d;
        const Name name("toggleMenuBar");
        QSignalSpy posted(&d.registry.notificationCenter(), &NotificationCenter::posted);
        QVERIFY(setShortcut(cmdShiftA, name));
        QCOMPARE(d.store.value("KeyboardShortcuts_toggleMenuBar").toString(),
                 QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768})"));
        const QVariantMap userInfo{{"name", "toggleMenuBar"}};
        QCOMPARE(posted, (QList<QVariantList>{{"KeyboardShortcuts_shortcutByNameDidChange", userInfo}}));
        QVERIFY(d.backend.isGrabbed(cmdShiftA));
        QCOMPARE(getShortcut(name), cmdShiftA);
    }

    void readsOtherMemberOrdersExtraMembersAndRejectsJunk() {
        Desktop d;
        const Name name("x");
        const QString key = name.userDefaultsKey();
        d.store.setValue(key, QStringLiteral(R"({"carbonModifiers":256,"carbonKeyCode":40,"extra":true})"));
        QCOMPARE(getShortcut(name), cmdK);
        for (const QJsonValue& junk :
             {QJsonValue(5), QJsonValue("not json"), QJsonValue(QStringLiteral(R"({"carbonKeyCode":40})")),
              QJsonValue(QStringLiteral(R"({"carbonKeyCode":"40","carbonModifiers":256})")),
              QJsonValue(QStringLiteral(R"({"carbonKeyCode":40.5,"carbonModifiers":256})")),
              QJsonValue(true)}) {
            d.store.setValue(key, junk);
            QVERIFY2(!getShortcut(name), qPrintable(junk.toVariant().toString()));
        }
        // Written by hand or by another program: the caps-lock bit and bit 0 are not combinations.
        d.store.setValue(
            key, QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":%1})").arg(768 | 0x400 | 0x1));
        int runs = 0;
        onKeyUp(name, [&] { ++runs; });
        QVERIFY(d.backend.isGrabbed(cmdShiftA));
        d.backend.press(cmdShiftA);
        QCOMPARE(runs, 1);
    }

    void slotMovesBetweenHoldingClearedAndEmpty() {
        Desktop d;
        const Name withDefault("withDefault", ctrlOptS);
        const QString key = withDefault.userDefaultsKey();
        QVERIFY(d.store.value(key).isString());
        QVERIFY(d.backend.isGrabbed(ctrlOptS));

        QSignalSpy changes(&d.registry.notificationCenter(), &NotificationCenter::shortcutByNameDidChange);
        setShortcut(std::nullopt, withDefault);
        QCOMPARE(d.store.value(key), QJsonValue(false));
        QVERIFY(!getShortcut(withDefault));
        QVERIFY(!d.backend.isGrabbed(ctrlOptS));
        QVERIFY(allNames().contains(withDefault));
        QCOMPARE(changes.count(), 1);

        // Declared again at the next start: the user's clearing stands.
        const Name again("withDefault", ctrlOptS);
        QCOMPARE(d.store.value(key), QJsonValue(false));

        reset({withDefault});
        QCOMPARE(getShortcut(withDefault), ctrlOptS);
        QCOMPARE(changes.count(), 2);

        const Name plain("plain");
        setShortcut(std::nullopt, plain);
        QCOMPARE(changes.count(), 2);
        setShortcut(cmdK, plain);
        setShortcut(std::nullopt, plain);
        QVERIFY(!d.store.contains(plain.userDefaultsKey()));
        QCOMPARE(changes.count(), 4);

        // Resetting all restores the declared defaults and empties the others.
        setShortcut(cmdK, withDefault);
        setShortcut(cmdShiftA, plain);
        resetAll();
        QCOMPARE(getShortcut(withDefault), ctrlOptS);
        QVERIFY(!d.store.contains(plain.userDefaultsKey()));
        QVERIFY(d.backend.isGrabbed(ctrlOptS));
        QVERIFY(!d.backend.isGrabbed(cmdK));
        QVERIFY(!d.backend.isGrabbed(cmdShiftA));
    }

    void handlersRunInOrderForEveryNameHoldingTheCombination() {
        Desktop d;
        const Name first("first");
        const Name second("second");
        QStringList ran;
        onKeyUp(first, [&] { ran << "first 1"; });
        QVERIFY(d.backend.grabs.isEmpty()); // nothing stored, nothing grabbed
        onKeyUp(first, [&] { ran << "first 2"; });
        onKeyDown(second, [&] { ran << "second down"; });
        onKeyUp(second, [&] { ran << "second up"; });
        setShortcut(cmdK, first);
        setShortcut(cmdK, second);
        QCOMPARE(d.backend.grabs.size(), 1);

        d.backend.press(cmdK, true, false);
        QCOMPARE(ran, QStringList{"second down"});
        ran.clear();
        d.backend.press(cmdK, false, true);
        QCOMPARE(ran, (QStringList{"first 1", "first 2", "second up"}));

        // Dispatch reads the slot afresh: a changed slot no longer answers to the old combination.
        ran.clear();
        d.store.setValue(second.userDefaultsKey(), QString::fromUtf8(cmdShiftA.encoded()));
        d.backend.press(cmdK);
        QCOMPARE(ran, (QStringList{"first 1", "first 2"}));
    }

    void aRefusedRegistrationIsNotCountedAsRegistered() {
        Desktop d;
        LogCapture log;
        const Name name("x");
        int runs = 0;
        onKeyUp(name, [&] { ++runs; });
        d.backend.takenByOthers.insert({cmdK.carbonKeyCode(), cmdK.carbonModifiers()});
        QVERIFY(setShortcut(cmdShiftA, Name("a")));
        QVERIFY(!setShortcut(cmdK, name));
        QVERIFY(setShortcut(ctrlOptS, Name("c")));
        // Ids are never reused, not even after a refusal.
        QCOMPARE(d.backend.calls,
                 (QStringList{"register 0 768 #1", "register 40 256 #2", "register 1 6144 #3"}));
        QCOMPARE(log.lines(), QStringList{"Error registering hotkey \u2318K: 10"});
        QVERIFY(!isEnabled(name));
        QCOMPARE(getShortcut(name), cmdK); // the user's choice is kept

        // Once the other program lets go, enabling the slot grabs it.
        d.backend.takenByOthers.clear();
        enable({name});
        QVERIFY(isEnabled(name));
        d.backend.press(cmdK);
        QCOMPARE(runs, 1);
    }

    void clearingOneSlotKeepsTheHotKeyOfAnotherWithTheSameCombination() {
        Desktop d;
        const Name first("first");
        const Name second("second");
        int secondRuns = 0;
        onKeyUp(second, [&] { ++secondRuns; });
        setShortcut(cmdK, first);
        setShortcut(cmdK, second);

        setShortcut(std::nullopt, first);
        QVERIFY(isEnabled(second));
        d.backend.press(cmdK);
        QCOMPARE(secondRuns, 1);

        setShortcut(cmdK, first);
        setShortcut(cmdShiftA, first); // changing it away likewise
        d.backend.press(cmdK);
        QCOMPARE(secondRuns, 2);

        // Removing the handlers of one slot keeps those of the other.
        setShortcut(cmdK, first);
        onKeyUp(first, [] {});
        removeHandler(first);
        d.backend.press(cmdK);
        QCOMPARE(secondRuns, 3);

        removeHandler(second);
        QVERIFY(!d.backend.isGrabbed(cmdK));
    }

    void recordersPauseUntilTheLastOneStops() {
        Desktop d;
        const Name name("x");
        int runs = 0;
        onKeyUp(name, [&] { ++runs; });
        setShortcut(cmdK, name);
        QSignalSpy active(&d.registry.notificationCenter(),
                          &NotificationCenter::recorderActiveStatusDidChange);
        int a = 0, b = 0;
        d.registry.setRecorderActive(&a, true);
        d.registry.setRecorderActive(&b, true);
        d.registry.setRecorderActive(&a, false);
        QVERIFY(isPaused());
        d.backend.press(cmdK);
        QCOMPARE(runs, 0);
        d.registry.setRecorderActive(&b, false);
        QVERIFY(!isPaused());
        d.backend.press(cmdK); // presses during the pause were not queued
        QCOMPARE(runs, 1);
        QCOMPARE(active, (QList<QVariantList>{{true}, {true}, {true}, {false}}));

        setPaused(true);
        d.backend.press(cmdK);
        QCOMPARE(runs, 1);
    }

    void menuTrackingSwapsHotKeysForRawKeys() {
        Desktop d;
        const Name name("x");
        QStringList ran;
        onKeyDown(name, [&] { ran << "down"; });
        onKeyUp(name, [&] { ran << "up"; });
        setShortcut(cmdK, name);
        setMenuOpen(true);
        QVERIFY(d.backend.grabs.isEmpty());
        QVERIFY(isEnabled(name));
        using Kind = HotKeyEngine::RawKeyKind;
        QCOMPARE(d.registry.handleRawKeyEvent(Kind::keyDown, cmdK.carbonKeyCode(), cmdK.carbonModifiers()),
                 0);
        QCOMPARE(
            d.registry.handleRawKeyEvent(Kind::keyUp, cmdK.carbonKeyCode(), cmdK.carbonModifiers() | 0x1), 0);
        QCOMPARE(d.registry.handleRawKeyEvent(Kind::keyDown, cmdShiftA.carbonKeyCode(),
                                              cmdShiftA.carbonModifiers()),
                 HotKeyEngine::eventNotHandled);
        QCOMPARE(ran, (QStringList{"down", "up"}));

        setMenuOpen(false);
        QCOMPARE(d.backend.calls.last(), "register 40 256 #1");
        QCOMPARE(d.registry.handleRawKeyEvent(Kind::keyDown, cmdK.carbonKeyCode(), cmdK.carbonModifiers()),
                 HotKeyEngine::eventNotHandled);

        // A hot key cleared while suspended has nothing to give back, then or when the menu closes.
        setMenuOpen(true);
        d.backend.calls.clear();
        setShortcut(std::nullopt, name);
        setMenuOpen(false);
        QCOMPARE(d.backend.calls, QStringList());
        QCOMPARE(d.registry.engine().hotKeyCount(), 0);
    }

    void aHotKeyRefusedAfterTheMenuClosesStaysAndIsRetried() {
        Desktop d;
        LogCapture log;
        const Name name("x");
        int runs = 0;
        onKeyUp(name, [&] { ++runs; });
        setShortcut(cmdK, name);
        setMenuOpen(true);
        d.backend.takenByOthers.insert({cmdK.carbonKeyCode(), cmdK.carbonModifiers()});
        setMenuOpen(false);
        QVERIFY(!isEnabled(name));
        QCOMPARE(log.lines().size(), 1);
        d.clock.advance(HotKeyEngine::retryInterval);
        QCOMPARE(log.lines().size(), 1); // reported once, not at every retry
        QVERIFY(!d.backend.isGrabbed(cmdK));

        d.backend.takenByOthers.clear();
        d.clock.advance(HotKeyEngine::retryInterval);
        QVERIFY(d.backend.isGrabbed(cmdK));
        QVERIFY(isEnabled(name));
        d.backend.press(cmdK);
        QCOMPARE(runs, 1);
    }

    void disablingTheComponentSuspendsEveryHotKey() {
        Desktop d;
        const Name name("x");
        // Switched off before its first hot key: the hot key waits.
        setEnabled(false);
        setShortcut(cmdK, name);
        QVERIFY(!d.backend.isGrabbed(cmdK));
        QVERIFY(!isEnabled(name));
        setEnabled(true);
        QVERIFY(d.backend.isGrabbed(cmdK));

        setShortcut(cmdShiftA, Name("y"));
        setEnabled(false);
        QVERIFY(d.backend.grabs.isEmpty());
        QVERIFY(!isEnabled(name));
        d.backend.calls.clear();
        setEnabled(true);
        QCOMPARE(d.backend.calls, (QStringList{"register 40 256 #1", "register 0 768 #2"}));
        QVERIFY(isEnabled(name));

        disable({Name("nothing stored")});
        QCOMPARE(d.backend.grabs.size(), 2);
        disable({name});
        QVERIFY(!d.backend.isGrabbed(cmdK));
        QCOMPARE(getShortcut(name), cmdK);
    }

    void streamsStartAndEndOnALaterTurn() {
        Desktop d;
        const Name name("x");
        setShortcut(cmdK, name);
        auto stream = events(EventType::keyUp, name);
        QList<EventType> seen;
        connect(stream.get(), &EventStream::event, [&](EventType t) { seen << t; });
        d.backend.press(cmdK);
        QVERIFY(seen.isEmpty());
        d.clock.runDue();
        d.backend.press(cmdK);
        QCOMPARE(seen, QList<EventType>{EventType::keyUp});

        // The stream keeps the hot key after the plain handlers go, and takes it along when it ends.
        onKeyUp(name, [] {});
        removeHandler(name);
        QVERIFY(d.backend.isGrabbed(cmdK));
        stream.reset();
        QVERIFY(d.backend.isGrabbed(cmdK));
        d.clock.runDue();
        QVERIFY(!d.backend.isGrabbed(cmdK));
    }
};

QTEST_GUILESS_MAIN(RegistryTest)
#include "RegistryTest.moc"
