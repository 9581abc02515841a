// Choosing the display to place on, and naming the displays of a display menu.
#include "SimWorld.h"
#include "placement/MultiMonitorHelper.h"
#include "placement/ScreenDetectionHelper.h"

#include <QTest>

namespace {

class FakeHostWindow : public HostWindow {
public:
    explicit FakeHostWindow(std::optional<Screen> screen) : m_screen(std::move(screen)) {}
    std::optional<Screen> screen() const override { return m_screen; }

private:
    std::optional<Screen> m_screen;
};

Screen display(const QString& id, Rect frame) {
    return Screen{id, frame, frame, 1.0};
}

const Screen primary = display(QStringLiteral("primary"), Rect(0, 0, 1440, 900));
const Screen right = display(QStringLiteral("right"), Rect(1440, 0, 2560, 1440));

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void displayNames_data() {
        QTest::addColumn<Rect>("second");
        QTest::addColumn<QString>("name");
        QTest::newRow("external") << Rect(1440, 0, 2560, 1440) << "Display 2 (External)";
        QTest::newRow("laptop size") << Rect(1440, 0, 1728, 1117) << "Display 2 (MacBook)";
        // Vertical is tested before the width.
        QTest::newRow("vertical") << Rect(1440, 0, 1080, 1920) << "Display 2 (Vertical)";
        QTest::newRow("2000 is not below 2000") << Rect(1440, 0, 2000, 1125) << "Display 2 (External)";
        QTest::newRow("square") << Rect(1440, 0, 1200, 1200) << "Display 2 (MacBook)";
    }
    void displayNames() {
        QFETCH(Rect, second);
        QFETCH(QString, name);
        SimWorld w;
        w.desktop.setScreens({primary, display("second", second)});
        const auto options = MultiMonitorHelper(w.platform).availableDisplays();
        QCOMPARE(options.size(), 2);
        QCOMPARE(options[0].name, "Display 1 (Main)");
        QCOMPARE(options[1].name, name);
        QCOMPARE(options[1].id, 1);
        QVERIFY(options[1].screen.isEqual(display("second", second)));
    }

    // The main display is "Main" whatever its shape.
    void mainDisplayIsAlwaysMain() {
        SimWorld w;
        const Screen tall = display(QStringLiteral("tall"), Rect(1440, 0, 1080, 1920));
        w.desktop.setScreens({primary, tall}, 1);
        const auto options = MultiMonitorHelper(w.platform).availableDisplays();
        QCOMPARE(options[0].name, "Display 1 (MacBook)");
        QCOMPARE(options[1].name, "Display 2 (Main)");
        QVERIFY(options[0] == MultiMonitorHelper::DisplayOption(0, primary, tall));
        QVERIFY(!(options[0] == MultiMonitorHelper::DisplayOption(0, primary, primary)));
    }

    void oneScreenWithTheMainWindowOnIt() {
        SimWorld w;
        w.desktop.setScreens({primary});
        FakeHostWindow window(primary);
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(&window).isEqual(primary));
        QCOMPARE(w.log.lines(),
                 QStringList({
                     "🔍 SCREEN DETECTION: Starting screen detection process",
                     "🔍 SCREEN DETECTION: Available screens: 1",
                     "🔍 SCREEN DETECTION: Screen 0: (0.0, 0.0, 1440.0, 900.0) (MAIN)",
                     "🎯 SCREEN DETECTION: Using source window screen 0: (0.0, 0.0, 1440.0, 900.0)",
                 }));
    }

    // No window, and a window not on any display, both fall to the pointer.
    void pointerOnTheSecondScreen_data() {
        QTest::addColumn<bool>("withWindow");
        QTest::newRow("no window") << false;
        QTest::newRow("window without screen") << true;
    }
    void pointerOnTheSecondScreen() {
        QFETCH(bool, withWindow);
        SimWorld w;
        w.desktop.setScreens({primary, right});
        w.desktop.setMouseLocation({2000, 700});
        FakeHostWindow hidden(std::nullopt);
        const Screen chosen =
            ScreenDetectionHelper(w.platform).getTargetScreen(withWindow ? &hidden : nullptr);
        QVERIFY(chosen.isEqual(right));
        QCOMPARE(w.log.lines(),
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
    }

    // The maximum edges do not belong to a frame: a pointer there falls through to the main screen.
    void pointerOnTheOuterEdgeFallsBackToMain() {
        SimWorld w;
        w.desktop.setScreens({primary, right}, 1);
        w.desktop.setMouseLocation({4000, 100});
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(nullptr).isEqual(right));
        QCOMPARE(w.log.lines().mid(8),
                 QStringList({
                     "🔍 ScreenDetection: ❌ Cursor not found on any screen",
                     "🔍 SCREEN DETECTION: Cursor-based detection failed",
                     "⚠️ SCREEN DETECTION: Falling back to main screen 1: (1440.0, 0.0, "
                     "2560.0, 1440.0)",
                 }));
    }

    void withoutMainScreenTheFirstIsTaken() {
        SimWorld w;
        w.desktop.setScreens({primary, right}, std::nullopt);
        w.desktop.setMouseLocation({-5, -5});
        QVERIFY(ScreenDetectionHelper(w.platform).getTargetScreen(nullptr).isEqual(primary));
        QCOMPARE(w.log.lines().at(2), "🔍 SCREEN DETECTION: Screen 0: (0.0, 0.0, 1440.0, 900.0) ");
        QCOMPARE(w.log.lines().last(),
                 "⚠️ SCREEN DETECTION: Falling back to main screen 0: (0.0, 0.0, 1440.0, 900.0)");
    }

    void withoutAnyScreen() {
        SimWorld w;
        w.desktop.setScreens({}, std::nullopt);
        const Screen chosen = ScreenDetectionHelper(w.platform).getTargetScreen(nullptr);
        QVERIFY(chosen.id.isEmpty());
        QCOMPARE(w.log.lines().last(),
                 "⚠️ SCREEN DETECTION: Falling back to main screen -1: (0.0, 0.0, 0.0, 0.0)");
        QVERIFY(MultiMonitorHelper(w.platform).availableDisplays().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ScreensTest)
#include "ScreensTest.moc"
