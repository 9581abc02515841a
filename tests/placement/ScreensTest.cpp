// Choosing the display to place on, and naming the displays of a display menu.
#include "SimWorld.h"
#include "placement/MultiMonitorHelper.h"
#include "placement/ScreenDetectionHelper.h"

#include <QTest>

Q_DECLARE_METATYPE(Rect)

namespace {

const Screen primary = SimWorld::display(QStringLiteral("primary"), Rect(0, 0, 1440, 900));
const Screen right = SimWorld::display(QStringLiteral("right"), Rect(1440, 0, 2560, 1440));

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Main, else Vertical, else Built-in for a laptop panel's connector, else External.
    void displayNames_data() {
        QTest::addColumn<Rect>("frame");
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("kind");
        QTest::newRow("wide") << Rect(1440, 0, 2560, 1440) << "HDMI-1"
                              << "External";
        QTest::newRow("small external") << Rect(1440, 0, 1728, 1117) << "DP-2"
                                        << "External";
        QTest::newRow("no connector") << Rect(1440, 0, 1728, 1117) << ""
                                      << "External";
        QTest::newRow("eDP") << Rect(1440, 0, 2880, 1800) << "eDP-1"
                             << "Built-in";
        QTest::newRow("LVDS") << Rect(1440, 0, 1366, 768) << "LVDS1"
                              << "Built-in";
        QTest::newRow("DSI") << Rect(1440, 0, 1920, 1200) << "DSI-1"
                             << "Built-in";
        QTest::newRow("vertical panel") << Rect(1440, 0, 1080, 1920) << "DSI-1"
                                        << "Vertical";
    }
    void displayNames() {
        QFETCH(Rect, frame);
        QFETCH(QString, connector);
        QFETCH(QString, kind);
        Screen second = SimWorld::display("second", frame);
        second.connector = connector;
        SimWorld w;
        w.desktop.setScreens({primary, second});
        auto options = MultiMonitorHelper(w.platform).availableDisplays();
        QCOMPARE(options.size(), 2);
        QCOMPARE(options[0].name, "Display 1 (Main)");
        QCOMPARE(options[1].name, "Display 2 (" + kind + ")");
        QCOMPARE(options[1].id, 1);
        QVERIFY(options[1].screen.isEqual(second));
        // The main display is "Main" whatever it is.
        w.desktop.setScreens({primary, second}, 1);
        options = MultiMonitorHelper(w.platform).availableDisplays();
        QCOMPARE(options[1].name, "Display 2 (Main)");
    }

    void theWindowsScreenElseThePointersElseTheMain() {
        SimWorld w;
        w.desktop.setScreens({primary, right});
        WindowOn window(primary), hidden(std::nullopt);
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(&window).isEqual(primary));
        QCOMPARE(w.log.take().last(),
                 "🎯 SCREEN DETECTION: Using source window screen 0: (0.0, 0.0, 1440.0, 900.0)");

        w.desktop.setMouseLocation({2000, 700});
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(&hidden).isEqual(right));
        QCOMPARE(w.log.take(),
                 QStringList({
                     "🔍 SCREEN DETECTION: Starting screen detection process",
                     "🔍 SCREEN DETECTION: Available screens: 2",
                     "🔍 SCREEN DETECTION: Screen 0: (0.0, 0.0, 1440.0, 900.0) (MAIN)",
                     "🔍 SCREEN DETECTION: Screen 1: (1440.0, 0.0, 2560.0, 1440.0) ",
                     "🔍 SCREEN DETECTION: No source window provided or window has no screen",
                     "🔍 ScreenDetection: Mouse location: (2000.0, 700.0)",
                     "🔍 ScreenDetection: Screen 0 (0.0, 0.0, 1440.0, 900.0): contains cursor? false",
                     "🔍 ScreenDetection: Screen 1 (1440.0, 0.0, 2560.0, 1440.0): contains cursor? true",
                     "🔍 ScreenDetection: ✅ Found cursor on screen 1",
                     "🎯 SCREEN DETECTION: Using cursor-based screen 1: (1440.0, 0.0, 2560.0, 1440.0)",
                 }));

        // The maximum edges do not belong to a frame: a pointer there falls through to the main screen.
        w.desktop.setScreens({primary, right}, 1);
        w.desktop.setMouseLocation({4000, 100});
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(nullptr).isEqual(right));
        QCOMPARE(
            w.log.take().mid(8),
            QStringList(
                {"🔍 ScreenDetection: ❌ Cursor not found on any screen",
                 "🔍 SCREEN DETECTION: Cursor-based detection failed",
                 "⚠️ SCREEN DETECTION: Falling back to main screen 1: (1440.0, 0.0, 2560.0, 1440.0)"}));

        // Without a main screen the first is taken; without any, an empty one.
        w.desktop.setScreens({primary, right}, std::nullopt);
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(nullptr).isEqual(primary));
        QCOMPARE(w.log.take().at(2), "🔍 SCREEN DETECTION: Screen 0: (0.0, 0.0, 1440.0, 900.0) ");
        w.desktop.setScreens({}, std::nullopt);
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(nullptr).id.isEmpty());
        QCOMPARE(w.log.take().last(),
                 "⚠️ SCREEN DETECTION: Falling back to main screen -1: (0.0, 0.0, 0.0, 0.0)");
        QVERIFY(MultiMonitorHelper(w.platform).availableDisplays().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ScreensTest)
#include "ScreensTest.moc"
