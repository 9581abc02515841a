// Placing a window: the order of writes, the immediate second size write, the correction
// 0.05 s later, the re-alignment of right-anchored positions and the verification lines.
#include "SimWorld.h"
#include "placement/Actions.h"
#include "placement/PlacementGeometry.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(Size)

namespace {

const QString notesID = QStringLiteral("org.example.Notes");
const Rect laptopFrame(0, 0, 1440, 900);

PinSpec spec(Corner corner, double margin = 0) {
    return PinSpec{corner, 0.33, 520, margin, margin};
}

} // namespace

class SummonTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A minimised window is restored before it is sized.
    void windowThatTakesAnySize() {
        SimWorld w;
        SimWindow& win = w.notesWithWindow();
        win.minimized = true;
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());

        QCOMPARE(
            w.log.take(),
            QStringList({"🚀 SUMMON DEBUG: Starting summon for org.example.Notes",
                         "🎯 SUMMON DEBUG: Target screen: (0.0, 0.0, 1440.0, 900.0)",
                         "🖥️ SUMMON DEBUG: Screen 0: (0.0, 0.0, 1440.0, 900.0) ← TARGET",
                         "📐 SUMMON DEBUG: Calculated rect: (0.0, 25.0, 720.0, 875.0) on screen: (0.0, 0.0, "
                         "1440.0, 900.0)"}) +
                flipLines(laptopFrame, laptopFrame, {0, 25}, 875, {0, 0}));
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
                 QStringList({"🔍 SUMMON VERIFICATION: Window ended up at: (0.0, 0.0, 720.0, 875.0)",
                              "🔍 SUMMON VERIFICATION: Screen 0 contains window? true (was target: true)",
                              "🎯 SUMMON VERIFICATION: Target was screen 0: (0.0, 0.0, 1440.0, 900.0)"}));
        QVERIFY(w.desktop.journal().isEmpty());
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

    // Every position writes its position once; right-anchored ones that landed more than a point
    // off once more, at the place they belong.
    void realignmentOnlyForRightAnchored() {
        for (Corner corner : CornerInfo::allCases) {
            for (double skew : {1.0, 5.0}) {
                SimWorld w;
                w.notesWithWindow().positionSkew = {skew, 0};
                Actions(w.platform).summon(notesID, spec(corner, 4), SimWorld::laptop());
                const bool right = corner == Corner::topRight || corner == Corner::bottomRight ||
                                   corner == Corner::rightHalf || corner == Corner::rightThird ||
                                   corner == Corner::rightTwoThirds;
                const QStringList writes = w.desktop.journal().filter("AXPosition");
                QCOMPARE(writes.size(), right && skew > 1 ? 2 : 1);
                QCOMPARE(w.log.lines().filter("Converting Cocoa→AX").size(), right ? 2 : 1);
                if (corner == Corner::rightThird)
                    QCOMPARE(writes.last(), "0.00 write Notes AXPosition (956.0, 4.0)");
            }
        }
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
        const auto error = [&](const char* a) {
            return attribute == a ? "AXError(rawValue: -25204)" : "AXError(rawValue: 0)";
        };
        QCOMPARE(w.log.lines(),
                 QStringList({QStringLiteral("❌ Failed to get window frame - position: ") +
                                  error("AXPosition") + ", size: " + error("AXSize"),
                              "❌ SUMMON VERIFICATION: Could not get window frame for verification"}));
    }

    void twoScreensTargetingTheUpperOne() {
        SimWorld w;
        w.desktop.setScreens({SimWorld::laptop(), SimWorld::above()});
        w.notesWithWindow();
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::above());
        const QStringList lines = w.log.take();
        QCOMPARE(lines.mid(2, 3),
                 QStringList({"🖥️ SUMMON DEBUG: Screen 0: (0.0, 0.0, 1440.0, 900.0) ",
                              "🖥️ SUMMON DEBUG: Screen 1: (0.0, 900.0, 1920.0, 1080.0) ← TARGET",
                              "📐 SUMMON DEBUG: Calculated rect: (0.0, 1440.0, 960.0, 540.0) on "
                              "screen: (0.0, 900.0, 1920.0, 1080.0)"}));
        QCOMPARE(lines.mid(5),
                 flipLines(Rect(0, 0, 1920, 1980), SimWorld::above().frame, {0, 1440}, 540, {0, 0}));
        QCOMPARE(w.desktop.journal().last(), "0.00 write Notes AXPosition (0.0, 0.0)");
        w.clock.runAll();
        QCOMPARE(w.log.take().mid(1),
                 QStringList({"🔍 SUMMON VERIFICATION: Screen 0 contains window? false (was target: false)",
                              "🔍 SUMMON VERIFICATION: Screen 1 contains window? true (was target: true)",
                              "🎯 SUMMON VERIFICATION: Target was screen 1: (0.0, 900.0, 1920.0, 1080.0)"}));
    }

    // The target may have been unplugged since the user chose it, and a panel may have appeared:
    // frames are read afresh from the desktop, not from the value the caller held.
    void screensAreReadAfresh() {
        SimWorld w;
        w.notesWithWindow();
        Screen moved = SimWorld::laptop();
        moved.visibleFrame = Rect(0, 0, 1440, 870);
        w.desktop.setScreens({moved});
        Actions(w.platform).summon(notesID, spec(Corner::fullScreen), SimWorld::laptop());
        QCOMPARE(w.desktop.journal().filter("AXSize"),
                 QStringList({"0.00 write Notes AXSize (1440.0, 870.0)"}));
        QCOMPARE(w.desktop.journal().last(), "0.00 write Notes AXPosition (0.0, 30.0)");

        const Screen gone = SimWorld::display("gone", Rect(1440, 0, 1440, 900));
        Actions(w.platform).summon(notesID, spec(Corner::fullScreen), gone);
        QCOMPARE(w.log.lines().filter("Screen 0: (0.0, 0.0, 1440.0, 900.0)").last(),
                 "🖥️ SUMMON DEBUG: Screen 0: (0.0, 0.0, 1440.0, 900.0) ");
        w.log.clear();
        w.clock.runAll();
        QCOMPARE(w.log.lines().last(),
                 "🎯 SUMMON VERIFICATION: Target was screen -1: (1440.0, 0.0, 1440.0, 900.0)");
    }

    void withoutAWindowNothingIsWritten() {
        SimWorld w;
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::laptop());
        QCOMPARE(w.log.take().size(), 3);
        w.desktop.run(notesID, QStringLiteral("Notes"));
        Actions(w.platform).summon(notesID, spec(Corner::topLeft), SimWorld::laptop());
        QCOMPARE(w.log.lines().mid(w.log.lines().size() - 2),
                 QStringList({"❌ Could not find or create a window for app",
                              "💡 If the app has no windows (closed with red X), try clicking the app in the "
                              "dock first"}));
        QVERIFY(w.desktop.journal().filter("write").isEmpty());
        QCOMPARE(w.clock.now(), 2.6);
        QCOMPARE(w.clock.pendingCount(), 0);
    }

    // The deferred steps run on the clock after the blocking search, at their own offsets, and
    // those of several placements interleave in time order.
    void deferredStepsCountFromTheEndOfTheSearch() {
        SimWorld w;
        SimApplication& app = w.desktop.run(notesID, QStringLiteral("Notes"));
        app.windowOnActivate = true;
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        QCOMPARE(w.clock.now(), 0.8);
        QCOMPARE(w.clock.pendingDeadlines().size(), 2);
        QCOMPARE(w.clock.pendingDeadlines().first(), 0.85);
        QCOMPARE(w.desktop.journal().last(), "0.80 write Notes AXPosition (0.0, 0.0)");
    }

    // A window wider than its place is corrected once, and keeps the width it insists on.
    void summonsInterleaveInTimeOrder() {
        SimWorld w;
        w.notesWithWindow().minSize = {1000, 0};
        w.runWithWindow(QStringLiteral("org.example.Mail"), QStringLiteral("Mail"));
        Actions(w.platform).summon(notesID, spec(Corner::leftHalf), SimWorld::laptop());
        w.clock.advance(0.02);
        Actions(w.platform)
            .summon(QStringLiteral("org.example.Mail"), spec(Corner::rightHalf), SimWorld::laptop());
        w.desktop.takeJournal();
        w.clock.runAll();
        QCOMPARE(w.desktop.journal(), QStringList({"0.05 write Notes AXSize (720.0, 875.0)",
                                                   "0.05 write Notes AXPosition (0.0, 0.0)"}));
        QCOMPARE(w.log.lines().filter(QRegularExpression("correction|ended up")),
                 QStringList({"🎯 Invisible correction applied: pos=(0.0, 0.0)",
                              "🔍 SUMMON VERIFICATION: Window ended up at: (0.0, 0.0, 1000.0, 875.0)",
                              "🔍 SUMMON VERIFICATION: Window ended up at: (720.0, 0.0, 720.0, 875.0)"}));
    }
};

QTEST_GUILESS_MAIN(SummonTest)
#include "SummonTest.moc"
