// The whole keyboard road on a real desktop: a stored configuration of xterm and xlogo, laid out by a
// shortcut that xdotool presses, each window checked with the X server's own geometry.
#include "TestDesktop.h"

#include "app/QuarlinApp.h"
#include "app/ShortcutNames.h"
#include "base/LogCapture.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "placement/PlacementGeometry.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/hotkeys/X11HotKeys.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace KeyboardShortcuts;

namespace {

const QString xtermID = QStringLiteral("quarlin-test-xterm");
const QString xlogoID = QStringLiteral("quarlin-test-xlogo");
const Shortcut ctrlAltK(Key::k, ModifierFlag::control | ModifierFlag::option);
const Shortcut ctrlAltP(Key::p, ModifierFlag::control | ModifierFlag::option);

// The frame a position gets on the 1920 x 1080 screen, in X root coordinates.
QRect expectedFrame(Corner corner, double margin) {
    const Screen screen{QStringLiteral("s"), Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), 1.0};
    const Rect r = pinnedRect(screen, PinSpec{corner, 0.5, 400, margin, margin});
    return QRect(qRound(r.x), qRound(1080 - r.maxY()), qRound(r.width), qRound(r.height));
}

AppConfiguration* app(const QString& id, const QString& name, Corner corner) {
    return new AppConfiguration(id, name, QString(), 0, true, corner, 0.5, 400, 10, 10);
}

} // namespace

class KeyboardLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aShortcutLaysOutAStoredConfiguration() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        desktop.installDesktopEntry(xtermID, TestDesktop::applicationEntry("Terminal", "xterm", "XTerm"));
        desktop.installDesktopEntry(xlogoID, TestDesktop::applicationEntry("Logo", "xlogo", "XLogo"));
        const TestDesktop::Client term =
            desktop.startXterm({QStringLiteral("-geometry"), QStringLiteral("60x10+300+300")});
        const TestDesktop::Client logo =
            desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("150x150+700+500")});
        QVERIFY(term.window && logo.window);

        // A configuration stored by an earlier run: xterm top left, xlogo right half; a second group
        // swaps the sides.
        QTemporaryDir dir;
        const QString storePath = dir.filePath(QStringLiteral("quarlin.sqlite"));
        {
            QtScheduler scheduler;
            QString error;
            auto earlier = ModelContainer::open(storePath, scheduler, &error);
            QVERIFY2(earlier, qPrintable(error));
            auto* work = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
            work->appendConfiguration(app(xtermID, QStringLiteral("Terminal"), Corner::topLeft));
            work->appendConfiguration(app(xlogoID, QStringLiteral("Logo"), Corner::rightHalf));
            PositionGroup* swapped = work->addPositionGroup(QStringLiteral("Swapped"), QString(), false);
            swapped->setPosition(xtermID, QStringLiteral("Terminal"), Corner::topRight);
            swapped->setPosition(xlogoID, QStringLiteral("Logo"), Corner::leftHalf);
            work->addPositionGroup(QStringLiteral("Own"), QString(), true);
            earlier->mainContext()->insert(work);
            QVERIFY2(earlier->mainContext()->save(&error), qPrintable(error));
        }

        X11Backend backend({.displayName = desktop.displayName(),
                            .applicationDirs = {desktop.dataHome() + "/applications"}});
        QVERIFY(backend.isConnected());
        QtScheduler scheduler;
        PreferenceStore preferences;
        X11HotKeys hotKeys(desktop.displayName());
        QVERIFY(hotKeys.isConnected());
        Registry registry(preferences, hotKeys, scheduler, &hotKeys);
        Platform platform{scheduler, preferences, backend.workspace, backend.windows, backend.screens};
        LogCapture log;

        QString message;
        auto container = QuarlinApp::makeSharedModelContainer(storePath, scheduler, &message);
        QVERIFY2(container, qPrintable(message));
        QuarlinApp quarlin(platform, std::move(container), nullptr);
        quarlin.start([&quarlin] { quarlin.mainContentDidAppear(); });
        QVERIFY(!quarlin.appState().selectedConfigurationID().isEmpty());
        QVERIFY(setShortcut(ctrlAltK, ShortcutNames::activateCurrentGroup()));
        QVERIFY(setShortcut(ctrlAltP, ShortcutNames::cyclePositionGroups()));

        const auto settled = [&](quint32 window, const QRect& expected, bool exactSize) {
            return desktop.waitFor(
                [&] {
                    QCoreApplication::processEvents();
                    const QRect frame = desktop.frameGeometry(window);
                    if (frame.topLeft() != expected.topLeft())
                        return false;
                    // xterm takes whole character cells only: a little smaller, never larger.
                    return exactSize
                               ? frame.size() == expected.size()
                               : frame.width() <= expected.width() && frame.width() > expected.width() - 20 &&
                                     frame.height() <= expected.height() &&
                                     frame.height() > expected.height() - 40;
                },
                10000);
        };

        // The default group ("Own") has no mappings: each application at its own position.
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+k")));
        QVERIFY2(settled(term.window, expectedFrame(Corner::topLeft, 10), false),
                 qPrintable(log.lines().join('\n')));
        QVERIFY(settled(logo.window, expectedFrame(Corner::rightHalf, 10), true));
        QVERIFY(log.lines().contains(
            QStringLiteral("🚀 Applying configuration via keyboard shortcut: Work with position group: Own")));
        QVERIFY(log.lines().contains(QStringLiteral("📌 Positioning Terminal at topLeft using group Own")));

        // The next group in relationship order is "Swapped": xlogo left, xterm top right (its right
        // edge on the margin whatever width it took).
        QVERIFY(desktop.key(QStringLiteral("ctrl+alt+p")));
        QVERIFY(settled(logo.window, expectedFrame(Corner::leftHalf, 10), true));
        QVERIFY(desktop.waitFor(
            [&] {
                QCoreApplication::processEvents();
                const QRect frame = desktop.frameGeometry(term.window);
                const QRect expected = expectedFrame(Corner::topRight, 10);
                return frame.y() == expected.y() &&
                       frame.x() + frame.width() == expected.x() + expected.width();
            },
            10000));
        QVERIFY(log.lines().contains(QStringLiteral("📌 Positioning Logo at leftHalf using group Swapped")));
    }
};

QTEST_GUILESS_MAIN(KeyboardLayoutTest)
#include "KeyboardLayoutTest.moc"
