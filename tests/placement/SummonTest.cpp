// Placing a window: the order of writes, the immediate second size write, the correction
// 0.05 s later, the re-alignment of right-anchored positions and the verification lines.
#include "SimWorld.h"
#include "placement/Actions.h"
#include "placement/PlacementGeometry.h"

#include <QTest>

Q_DECLARE_METATYPE(Size)

namespace {

const QString notesID = QStringLiteral("org.example.Notes");
const Rect laptopFrame(0, 0, 1440, 900);

QStringList header(const QList<Screen>& screens, const Screen& target) {
    QStringList lines{QStringLiteral("🚀 SUMMON DEBUG: Starting summon for org.example.Notes"),
                      QStringLiteral("🎯 SUMMON DEBUG: Target screen: ") + str(target.frame)};
    for (int i = 0; i < screens.size(); ++i)
        lines << QStringLiteral("🖥️ SUMMON DEBUG: Screen %1: ").arg(i) + str(screens[i].frame) +
                     (screens[i].isEqual(target) ? QStringLiteral(" ← TARGET") : QStringLiteral(" "));
    return lines;
}

QStringList verification(const Rect& frame, const QStringList& perScreen, int targetIndex,
                         const Rect& target) {
    QStringList lines{QStringLiteral("🔍 SUMMON VERIFICATION: Window ended up at: ") + str(frame)};
    lines << perScreen;
    lines << QStringLiteral("🎯 SUMMON VERIFICATION: Target was screen %1: ").arg(targetIndex) + str(target);
    return lines;
}

PinSpec spec(Corner corner, double margin = 0) {
    return PinSpec{corner, 0.33, 520, margin, margin};
}

} // namespace

class SummonTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A minimized window is restored before it is sized.
    void windowThatTakesAnySize() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.minimized = true;
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());

        QStringList expected = header({SimWorld::laptop()}, SimWorld::laptop());
        expected << "📐 SUMMON DEBUG: Calculated rect: (0.0, 25.0, 720.0, 875.0) on screen: (0.0, 0.0, "
                    "1440.0, 900.0)";
        expected << flipLines(laptopFrame, laptopFrame, {0, 25}, 875, {0, 0});
        QCOMPARE(w.log.take(), expected);
        QCOMPARE(w.desktop.takeJournal(), QStringList({
                                              "0.00 activate org.example.Notes all windows",
                                              "0.00 write Notes AXMinimized false",
                                              "0.00 write Notes AXSize (720.0, 875.0)",
                                              "0.00 write Notes AXPosition (0.0, 0.0)",
                                          }));
        QCOMPARE(w.clock.pendingDeadlines(), QList<double>({0.05, 0.2}));

        w.clock.advance(0.05);
        QVERIFY(w.log.take().isEmpty());
        w.clock.advance(0.15);
        QCOMPARE(w.log.take(),
                 verification(Rect(0, 0, 720, 875),
                              {"🔍 SUMMON VERIFICATION: Screen 0 contains window? true (was target: true)"}, 0,
                              laptopFrame));
        QVERIFY(w.desktop.journal().isEmpty());
        QCOMPARE(win.size, Size({720, 875}));
        QVERIFY(!win.minimized);
        QCOMPARE(w.clock.pendingCount(), 0);
        QVERIFY(w.clock.sleeps().isEmpty());
    }

    // Half a point decides the second write, two points the correction.
    void sizeIncrements_data() {
        QTest::addColumn<Size>("increment");
        QTest::addColumn<int>("immediateWrites");
        QTest::addColumn<QStringList>("correction");
        QTest::newRow("off by 0.2") << Size{1, 0.3} << 1 << QStringList{};
        QTest::newRow("off by 1") << Size{1, 2} << 2 << QStringList{};
        QTest::newRow("width off by 1") << Size{719, 1} << 2 << QStringList{};
        QTest::newRow("off by 6") << Size{7, 1} << 2
                                  << QStringList{"0.05 write Notes AXSize (720.0, 875.0)",
                                                 "0.05 write Notes AXPosition (0.0, 0.0)"};
    }
    void sizeIncrements() {
        QFETCH(Size, increment);
        QFETCH(int, immediateWrites);
        QFETCH(QStringList, correction);
        SimWorld w;
        w.notesWithWindow().sizeIncrement = increment;
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        QCOMPARE(w.desktop.takeJournal().filter("AXSize").size(), immediateWrites);
        w.clock.advance(0.05);
        QCOMPARE(w.desktop.journal(), correction);
    }

    void windowWithALargerMinimumWidth() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.minSize = {800, 0};
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        w.log.take();
        w.desktop.takeJournal();

        w.clock.advance(0.05);
        QStringList expected = flipLines(laptopFrame, laptopFrame, {0, 25}, 875, {0, 0});
        expected << "🎯 Invisible correction applied: pos=(0.0, 0.0)";
        QCOMPARE(w.log.take(), expected);
        QCOMPARE(w.desktop.takeJournal(), QStringList({"0.05 write Notes AXSize (720.0, 875.0)",
                                                       "0.05 write Notes AXPosition (0.0, 0.0)"}));
        QCOMPARE(win.position, Point({0, 0}));
        QCOMPARE(win.size, Size({800, 875}));
        w.clock.runAll();
        QCOMPARE(w.log.lines().first(),
                 "🔍 SUMMON VERIFICATION: Window ended up at: (0.0, 0.0, 800.0, 875.0)");
    }

    void rightThirdKeptOffIsRealigned() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.positionSkew = {5, 0};
        Actions(w.platform).summon(notesID, spec(Corner::rightThird, 10), SimWorld::laptop());

        QStringList expected = header({SimWorld::laptop()}, SimWorld::laptop());
        expected << "📐 SUMMON DEBUG: Calculated rect: (950.0, 35.0, 480.0, 855.0) on screen: (0.0, 0.0, "
                    "1440.0, 900.0)";
        expected << flipLines(laptopFrame, laptopFrame, {950, 35}, 855, {950, 10});
        expected << flipLines(laptopFrame, laptopFrame, {950, 35}, 855, {950, 10});
        QCOMPARE(w.log.take(), expected);
        QCOMPARE(w.desktop.takeJournal(), QStringList({
                                              "0.00 activate org.example.Notes all windows",
                                              "0.00 write Notes AXMinimized false",
                                              "0.00 write Notes AXSize (480.0, 855.0)",
                                              "0.00 write Notes AXPosition (950.0, 10.0)",
                                              "0.00 write Notes AXPosition (950.0, 10.0)",
                                          }));
    }

    // Every position writes its position once; right-anchored ones that landed off once more.
    void realignmentOnlyForRightAnchored_data() {
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("positionWrites");
        QTest::addColumn<int>("flips");
        for (Corner corner : CornerInfo::allCases) {
            const bool right = corner == Corner::topRight || corner == Corner::bottomRight ||
                               corner == Corner::rightHalf || corner == Corner::rightThird ||
                               corner == Corner::rightTwoThirds;
            QTest::newRow(qPrintable(str(corner)))
                << static_cast<int>(corner) << (right ? 2 : 1) << (right ? 2 : 1);
        }
    }
    void realignmentOnlyForRightAnchored() {
        QFETCH(int, corner);
        QFETCH(int, positionWrites);
        QFETCH(int, flips);
        SimWorld w;
        w.notesWithWindow().positionSkew = {5, 0};
        Actions(w.platform).summon(notesID, spec(static_cast<Corner>(corner), 4), SimWorld::laptop());
        QCOMPARE(w.desktop.journal().filter("AXPosition").size(), positionWrites);
        QCOMPARE(w.log.lines().filter("Converting Cocoa→AX").size(), flips);
    }

    // A right-anchored window already in place is converted but not written again.
    void rightAnchoredInPlaceIsNotRewritten() {
        SimWorld w;
        w.notesWithWindow().positionSkew = {1, 0};
        Actions(w.platform).summon(notesID, spec(Corner::rightHalf), SimWorld::laptop());
        QCOMPARE(w.desktop.journal().filter("AXPosition"),
                 QStringList({"0.00 write Notes AXPosition (720.0, 0.0)"}));
        QCOMPARE(w.log.lines().filter("Converting Cocoa→AX").size(), 2);
    }

    void realignmentWithUnreadableWindow_data() {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QString>("line");
        QTest::newRow("size") << "AXSize"
                              << "⚠️ ensureRightAnchoredAlignment: could not read actual size";
        QTest::newRow("position") << "AXPosition"
                                  << "⚠️ ensureRightAnchoredAlignment: could not read current position";
    }
    void realignmentWithUnreadableWindow() {
        QFETCH(QString, attribute);
        QFETCH(QString, line);
        SimWorld w;
        w.notesWithWindow().unreadable.insert(attribute);
        Actions(w.platform).summon(notesID, spec(Corner::topRight), SimWorld::laptop());
        QCOMPARE(w.log.lines().last(), line);
        QCOMPARE(w.desktop.journal().filter("AXPosition").size(), 1);
        w.log.clear();
        w.clock.advance(0.2);
        QCOMPARE(
            w.log.lines().first(),
            QStringLiteral("❌ Failed to get window frame - position: ") +
                (attribute == "AXPosition" ? "AXError(rawValue: -25204)" : "AXError(rawValue: 0)") +
                ", size: " + (attribute == "AXSize" ? "AXError(rawValue: -25204)" : "AXError(rawValue: 0)"));
        QCOMPARE(w.log.lines().last(), "❌ SUMMON VERIFICATION: Could not get window frame for verification");
    }

    void twoScreensTargetingTheUpperOne() {
        SimWorld w;
        const QList<Screen> screens{SimWorld::laptop(), SimWorld::above()};
        w.desktop.setScreens(screens);
        w.notesWithWindow();
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::above());
        const Rect global(0, 0, 1920, 1980);
        const Rect aboveFrame = SimWorld::above().frame;

        QStringList expected = header(screens, SimWorld::above());
        QCOMPARE(expected.at(2), "🖥️ SUMMON DEBUG: Screen 0: (0.0, 0.0, 1440.0, 900.0) ");
        QCOMPARE(expected.at(3), "🖥️ SUMMON DEBUG: Screen 1: (0.0, 900.0, 1920.0, 1080.0) ← TARGET");
        expected << "📐 SUMMON DEBUG: Calculated rect: (0.0, 1440.0, 960.0, 540.0) on screen: (0.0, 900.0, "
                    "1920.0, 1080.0)";
        expected << flipLines(global, aboveFrame, {0, 1440}, 540, {0, 0});
        QCOMPARE(w.log.take(), expected);
        QCOMPARE(w.desktop.journal().last(), "0.00 write Notes AXPosition (0.0, 0.0)");

        w.clock.runAll();
        QCOMPARE(w.log.take(),
                 verification(Rect(0, 0, 960, 540),
                              {"🔍 SUMMON VERIFICATION: Screen 0 contains window? false (was target: false)",
                               "🔍 SUMMON VERIFICATION: Screen 1 contains window? true (was target: true)"},
                              1, aboveFrame));
    }

    // The target may have been unplugged since the user chose it.
    void verificationOfAScreenNoLongerListed() {
        SimWorld w;
        w.notesWithWindow();
        const Screen gone{QStringLiteral("gone"), Rect(1440, 0, 1440, 900), Rect(1440, 0, 1440, 900), 1.0};
        Actions(w.platform).summon(notesID, spec(Corner::fullScreen), gone);
        QCOMPARE(w.log.lines().at(2), "🖥️ SUMMON DEBUG: Screen 0: (0.0, 0.0, 1440.0, 900.0) ");
        w.log.clear();
        w.clock.runAll();
        QCOMPARE(w.log.lines().last(),
                 "🎯 SUMMON VERIFICATION: Target was screen -1: (1440.0, 0.0, 1440.0, 900.0)");
    }

    // A panel that appears while the placement waits is taken into account: frames are read
    // afresh from the desktop, not from the value the caller held.
    void visibleFrameIsReadAfresh() {
        SimWorld w;
        w.notesWithWindow();
        Screen moved = SimWorld::laptop();
        moved.visibleFrame = Rect(0, 0, 1440, 870);
        w.desktop.setScreens({moved});
        Actions(w.platform).summon(notesID, spec(Corner::fullScreen), SimWorld::laptop());
        QCOMPARE(w.desktop.journal().filter("AXSize"),
                 QStringList({"0.00 write Notes AXSize (1440.0, 870.0)"}));
        QCOMPARE(w.desktop.journal().last(), "0.00 write Notes AXPosition (0.0, 30.0)");
    }

    void applicationNotRunning() {
        SimWorld w;
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::laptop());
        QCOMPARE(w.log.lines(), header({SimWorld::laptop()}, SimWorld::laptop()));
        QVERIFY(w.desktop.journal().isEmpty());
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    void noWindowAfterAllAttempts() {
        SimWorld w;
        w.desktop.run(notesID, QStringLiteral("Notes"));
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::laptop());
        QStringList expected = header({SimWorld::laptop()}, SimWorld::laptop());
        const QString wait = QStringLiteral("⏳ Waiting 0.8 seconds before retry...");
        expected << wait << "❌ Could not access menu bar" << wait << wait
                 << "❌ Could not find or create a window for app"
                 << "💡 If the app has no windows (closed with red X), try clicking the app in the dock first";
        QCOMPARE(w.log.lines(), expected);
        QCOMPARE(w.desktop.journal(), QStringList({"0.00 activate org.example.Notes all windows",
                                                   "0.80 activate org.example.Notes all windows"}));
        QCOMPARE(w.clock.now(), 2.6);
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    // The deferred steps run on the clock after the blocking search, at their own offsets.
    void deferredStepsCountFromTheEndOfTheSearch() {
        SimWorld w;
        SimApplication& app = w.desktop.run(notesID, QStringLiteral("Notes"));
        app.windowOnActivate = true;
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        QCOMPARE(w.clock.now(), 0.8);
        const QList<double> deadlines = w.clock.pendingDeadlines();
        QCOMPARE(deadlines.size(), 2);
        QCOMPARE(deadlines[0], 0.85);
        QCOMPARE(deadlines[1], 1.0);
        QCOMPARE(w.desktop.journal().last(), "0.80 write Notes AXPosition (0.0, 0.0)");
    }

    void summonsInterleaveInTimeOrder() {
        SimWorld w;
        w.notesWithWindow().minSize = {1000, 0};
        SimApplication& other = w.desktop.run(QStringLiteral("org.example.Mail"), QStringLiteral("Mail"));
        w.desktop.addWindow(other, SimWindow(QStringLiteral("Mail")));
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        w.clock.advance(0.02);
        Actions(w.platform)
            .summon(QStringLiteral("org.example.Mail"), spec(Corner::rightHalf), SimWorld::laptop());
        w.desktop.takeJournal();
        w.clock.runAll();
        QCOMPARE(w.desktop.journal(), QStringList({"0.05 write Notes AXSize (720.0, 875.0)",
                                                   "0.05 write Notes AXPosition (0.0, 0.0)"}));
        QCOMPARE(w.log.lines().filter("Window ended up at").size(), 2);
    }
};

QTEST_GUILESS_MAIN(SummonTest)
#include "SummonTest.moc"
