// Shortcut values: modifier conversion, stored form, display text, menu conflicts and the key tables.
#include "Desktop.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/PhysicalKeys.h"
#include "shortcuts/ResourceBundle.h"
#include "shortcuts/SpecialKey.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {
MenuItem item(const QString& title, const QString& key, ModifierFlags mask, QList<MenuItem> submenu = {}) {
    return MenuItem{title, key, mask, submenu};
}
} // namespace

class ShortcutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each pair: the hot-key bits and the modifier flags; bit 0 and caps lock have no flag, and caps
    // lock and the numeric pad no hot-key bit.
    void modifierConversionKeepsTheFiveKnownBits() {
        const QList<std::pair<int, int>> pairs = {{0x100, 0x100000},   {0x200, 0x20000},
                                                  {0x800, 0x80000},    {0x1000, 0x40000},
                                                  {0x20000, 0x800000}, {0x1 | 0x400 | 0x100, 0x100000}};
        for (const auto& [stored, flags] : pairs) {
            QCOMPARE(int(modifierFlagsFromStored(stored).toInt()), flags);
            QCOMPARE(KeyboardShortcuts::storedModifiers(ModifierFlags::fromInt(flags | 0x10000 | 0x200000)),
                     normalizedStoredModifiers(stored));
            QCOMPARE(Shortcut(0, stored).carbonModifiers(), normalizedStoredModifiers(stored));
        }
    }

    void decodingKeepsWhatWasStoredButReadingNormalises() {
        const auto decoded = Shortcut::decoded(R"({"carbonKeyCode":0,"carbonModifiers":769})");
        QVERIFY(decoded);
        QCOMPARE(decoded->carbonModifiers(), 769);
        QVERIFY(!(*decoded == Shortcut(Key::a, ModifierFlag::command | ModifierFlag::shift)));
        QCOMPARE(decoded->normalized(), Shortcut(Key::a, ModifierFlag::command | ModifierFlag::shift));
        QCOMPARE(Shortcut(Key::a, ModifierFlag::command).encoded(),
                 QByteArray(R"({"carbonKeyCode":0,"carbonModifiers":256})"));
    }

    void eventsGiveShortcutsWithoutTheFunctionKey() {
        const auto withFunction = Shortcut::fromEvent(KeyEventType::keyDown, Key::f5.rawValue(),
                                                      ModifierFlag::function | ModifierFlag::shift);
        QCOMPARE(withFunction, Shortcut(Key::f5, ModifierFlag::shift));
        QVERIFY(Shortcut::fromEvent(KeyEventType::keyUp, 0, {}));
        QVERIFY(!Shortcut::fromEvent(KeyEventType::other, 0, ModifierFlag::command));
    }

    void presentableDescription_data() {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("shift command a") << Key::a.rawValue() << 0x300 << "\u21E7\u2318A";
        QTest::newRow("keypad enter") << Key::keypadEnter.rawValue() << 0 << "\u21A9\u20E3";
        QTest::newRow("no character") << 200 << 0x1000 << "\u2303\uFFFD";
        QTest::newRow("all modifiers in order")
            << Key::z.rawValue() << 0x21B00 << "\u2303\u2325\u21E7\u2318\U0001F310\uFE0EZ";
        QTest::newRow("f20") << Key::f20.rawValue() << 0 << "F20";
        QTest::newRow("help") << Key::help.rawValue() << 0 << "?\u20DD";
    }
    void presentableDescription() {
        QFETCH(int, keyCode);
        QFETCH(int, stored);
        QFETCH(QString, text);
        Desktop d;
        QCOMPARE(Shortcut(keyCode, stored).presentableDescription(), text);
    }

    void specialKeysHaveMenuEquivalentsExceptTheKeypad() {
        const QList<std::pair<Key, QString>> keys = {{Key::return_, "\u21A9"}, {Key::space, " "},
                                                     {Key::f1, "\uF704"},      {Key::f20, "\uF717"},
                                                     {Key::keypad5, ""},       {Key::keypadClear, ""}};
        for (const auto& [key, equivalent] : keys)
            QCOMPARE(SpecialKey::forKeyCode(key.rawValue())->menuItemKeyEquivalent().value_or(QString()),
                     equivalent);
        int count = 0;
        for (int code = 0; code < 256; ++code)
            count += SpecialKey::forKeyCode(code).has_value();
        QCOMPARE(count, 53);
        QVERIFY(!SpecialKey::forKeyCode(Key::mute.rawValue()));
    }

    void menuMatchReadsUppercaseAsShift() {
        Desktop d;
        const QList<MenuItem> menu{
            item("File", {}, {},
                 {item("Save As", "S", ModifierFlag::command), item("Save", "s", ModifierFlag::command)}),
            item("Find", "f", ModifierFlag::command | ModifierFlag::shift),
            item("Keypad", "5\u20E3", {}),
        };
        const auto title = [&menu](const Shortcut& s) {
            const auto found = s.menuItemWithMatchingShortcut(menu);
            return found ? found->title : QString();
        };
        const ModifierFlags commandShift = ModifierFlag::command | ModifierFlag::shift;
        QCOMPARE(title(Shortcut(Key::s, commandShift)), "Save As");
        QCOMPARE(title(Shortcut(Key::s, ModifierFlag::command)), "Save");
        QCOMPARE(title(Shortcut(Key::f, commandShift)), "Find");
        QCOMPARE(title(Shortcut(Key::f, ModifierFlag::command)), QString());
        QCOMPARE(title(Shortcut(Key::keypad5, {})), QString());
        QVERIFY(!Shortcut(Key::s, ModifierFlag::command).takenByMainMenu(std::nullopt));
    }

    void plainF12IsNeverTakenBySystem() {
        Desktop d;
        d.backend.takenByOthers.insert({Key::f12.rawValue(), 0});
        d.backend.takenByOthers.insert({Key::f12.rawValue(), StoredModifier::command});
        QVERIFY(!Shortcut(Key::f12, {}).isTakenBySystem());
        QVERIFY(Shortcut(Key::f12, ModifierFlag::command).isTakenBySystem());
        QVERIFY(!Shortcut(Key::f11, {}).isTakenBySystem());
    }

    void physicalKeysMapBothWays() {
        // Every named key but the function modifier sits somewhere on a PC keyboard.
        for (int code = 0; code < 128; ++code) {
            const auto x = PhysicalKeys::xKeycode(code);
            if (!x)
                continue;
            QVERIFY(*x >= 8 && *x <= 255);
            QCOMPARE(PhysicalKeys::keyCodeForXKeycode(*x), code);
        }
        QCOMPARE(PhysicalKeys::xKeycode(Key::a.rawValue()), 38);
        QCOMPARE(PhysicalKeys::xKeycode(Key::command.rawValue()), 133);
        QCOMPARE(PhysicalKeys::xKeycode(Key::f12.rawValue()), 96);
        QVERIFY(!PhysicalKeys::xKeycode(Key::function.rawValue()));
        QCOMPARE(PhysicalKeys::keyCodeForQtKey(Qt::Key_K), Key::k.rawValue());
    }

    void withoutItsBundleTheProgramStops() {
        QProcess probe;
        probe.start(QStringLiteral(QUARLIN_BUNDLE_PROBE), QStringList());
        QVERIFY(probe.waitForFinished());
        QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
        QCOMPARE(probe.readAllStandardError(),
                 QByteArray("unable to find bundle named KeyboardShortcuts_KeyboardShortcuts\n"));
        QCOMPARE(probe.readAllStandardOutput(), QByteArray());
    }

    void theBundleIsFoundBesideTheProgramInTheUsersLanguage() {
        QTemporaryDir empty;
        QVERIFY(!ResourceBundle::find({empty.path()}, {"en"}));
        const auto german = ResourceBundle::find(ResourceBundle::candidateFolders(), {"de-DE"});
        QVERIFY(german);
        QCOMPARE(german->localized("space_key"), "Leertaste");
        QCOMPARE(german->localized("no such key"), "no such key");
        const auto fallback = ResourceBundle::find(ResourceBundle::candidateFolders(), {"xx"});
        QCOMPARE(fallback->localized("record_shortcut"), "Record Shortcut");
        // Each text of the component is in every language, the menu text with its one placeholder.
        for (const QString language : {"en", "de"}) {
            const auto bundle = ResourceBundle::find(ResourceBundle::candidateFolders(), {language});
            for (const char* key :
                 {"space_key", "record_shortcut", "press_shortcut", "keyboard_shortcut_used_by_menu_item",
                  "keyboard_shortcut_disallowed", "keyboard_shortcut_used_by_system",
                  "keyboard_shortcuts_can_be_changed", "ok", "force_use_shortcut",
                  "keyboard_shortcut_needs_modifier", "keyboard_shortcut_key_unsupported",
                  "keyboard_shortcut_used_by_other_shortcut"})
                QVERIFY2(bundle->localized(QLatin1String(key)) != QLatin1String(key), key);
            QCOMPARE(bundle->localized("keyboard_shortcut_used_by_menu_item").count("%1"), 1);
        }
    }
};

QTEST_GUILESS_MAIN(ShortcutTest)
#include "ShortcutTest.moc"
