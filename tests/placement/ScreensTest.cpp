// Choosing the display to place on, and naming the displays of a display menu.
#include "SimWorld.h"
#include "placement/MultiMonitorHelper.h"
#include "placement/ScreenDetectionHelper.h"

#include <QTest>

namespace {

const Screen primary = SimWorld::display(QStringLiteral("primary"), Rect(0, 0, 1440, 900));
const Screen right = SimWorld::display(QStringLiteral("right"), Rect(1440, 0, 2560, 1440));

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Vertical is tested before the width; the main display is "Main" whatever its shape.
    void displayNames() {
        const QList<std::pair<Rect, QString>> seconds = {{Rect(1440, 0, 2560, 1440), "External"},
                                                         {Rect(1440, 0, 1728, 1117), "MacBook"},
                                                         {Rect(1440, 0, 1080, 1920), "Vertical"},
                                                         {Rect(1440, 0, 2000, 1125), "External"}};
        for (const auto& [frame, kind] : seconds) {
            SimWorld w;
            w.desktop.setScreens({primary, SimWorld::display("second", frame)});
            const auto options = MultiMonitorHelper(w.platform).availableDisplays();
            QCOMPARE(options.size(), 2);
            QCOMPARE(options[0].name, "Display 1 (Main)");
            QCOMPARE(options[1].name, "Display 2 (" + kind + ")");
            QCOMPARE(options[1].id, 1);
            QVERIFY(options[1].screen.isEqual(SimWorld::display("second", frame)));
        }
        SimWorld w;
        w.desktop.setScreens({primary, SimWorld::display("tall", Rect(1440, 0, 1080, 1920))}, 1);
        const auto options = MultiMonitorHelper(w.platform).availableDisplays();
        QCOMPARE(options[0].name, "Display 1 (MacBook)");
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
