// The rectangle of every position, keeping rectangles on screen, pixel snapping and the coordinate
// flip with its debug lines.
#include "placement/PlacementGeometry.h"
#include "SimWorld.h"

#include <QTest>

Q_DECLARE_METATYPE(Rect)
Q_DECLARE_METATYPE(Point)

namespace {

void addPositionRows(const char* layout, Rect visible, double margin, const std::array<Rect, 15>& expected) {
    for (size_t i = 0; i < CornerInfo::allCases.size(); ++i)
        QTest::addRow("%s %s", layout, qPrintable(str(CornerInfo::allCases[i])))
            << visible << static_cast<int>(CornerInfo::allCases[i]) << margin << margin << expected[i];
}

} // namespace

class PlacementGeometryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pinnedRect_data() {
        QTest::addColumn<Rect>("visible");
        QTest::addColumn<int>("corner");
        QTest::addColumn<double>("marginX");
        QTest::addColumn<double>("marginY");
        QTest::addColumn<Rect>("expected");
        // A monitor right of the primary, with a 28-point top panel and a 48-point dock on its left
        // edge. Spans shrink by twice the margin; halves and thirds only move inwards.
        addPositionRows("panel m10", Rect(1968, 0, 1872, 1052), 10,
                        {Rect(1978, 516, 936, 526), Rect(2894, 516, 936, 526), Rect(1978, 10, 936, 526),
                         Rect(2894, 10, 936, 526), Rect(1978, 516, 1852, 526), Rect(1978, 10, 1852, 526),
                         Rect(1978, 10, 936, 1032), Rect(2894, 10, 936, 1032), Rect(1978, 10, 624, 1032),
                         Rect(2602, 10, 624, 1032), Rect(3206, 10, 624, 1032), Rect(1978, 10, 1248, 1032),
                         Rect(2290, 10, 1248, 1032), Rect(2582, 10, 1248, 1032), Rect(1978, 10, 1852, 1032)});
        // Odd sizes floor the halves and thirds; the far edge keeps the odd point.
        addPositionRows("odd m0", Rect(0, 0, 1441, 901), 0,
                        {Rect(0, 451, 720, 450), Rect(721, 451, 720, 450), Rect(0, 0, 720, 450),
                         Rect(721, 0, 720, 450), Rect(0, 451, 1441, 450), Rect(0, 0, 1441, 450),
                         Rect(0, 0, 720, 901), Rect(721, 0, 720, 901), Rect(0, 0, 480, 901),
                         Rect(480, 0, 480, 901), Rect(961, 0, 480, 901), Rect(0, 0, 960, 901),
                         Rect(240, 0, 960, 901), Rect(481, 0, 960, 901), Rect(0, 0, 1441, 901)});
        // The centre two-thirds offset is half a floored third, not floored itself.
        QTest::newRow("centerTwoThirds half offset") << Rect(0, 0, 1443, 900) << int(Corner::centerTwoThirds)
                                                     << 0.0 << 0.0 << Rect(240.5, 0, 962, 900);
        QTest::newRow("margins per axis")
            << Rect(0, 25, 1440, 875) << int(Corner::topRight) << 4.0 << 30.0 << Rect(716, 433, 720, 437);
        // Narrower than twice the margin: the span goes negative; constraining mends it later.
        QTest::newRow("narrow fullScreen")
            << Rect(0, 0, 15, 900) << int(Corner::fullScreen) << 10.0 << 10.0 << Rect(10, 10, -5, 880);
    }
    void pinnedRect() {
        QFETCH(Rect, visible);
        QFETCH(int, corner);
        QFETCH(double, marginX);
        QFETCH(double, marginY);
        QFETCH(Rect, expected);
        const PinSpec spec{static_cast<Corner>(corner), 0.33, 520, marginX, marginY};
        QCOMPARE(str(::pinnedRect(SimWorld::display("s", visible), spec)), str(expected));
    }

    void anchors() {
        const int raws[] = {9, 10, 5, 6, 11, 7, 13, 14, 13, 12, 14, 13, 12, 14, 15};
        for (size_t i = 0; i < CornerInfo::allCases.size(); ++i) {
            QCOMPARE(::anchors(CornerInfo::allCases[i]).rawValue, raws[i]);
            QVERIFY(isHalfScreenPosition(::anchors(CornerInfo::allCases[i])));
        }
        QVERIFY(!isHalfScreenPosition(Anchors{Anchors::left}));
        QVERIFY(!isHalfScreenPosition(Anchors{}));
    }

    void constrainAndSnap() {
        const QList<std::pair<Rect, Rect>> moves = {
            {Rect(-50, -50, 100, 100), Rect(0, 0, 100, 100)},
            {Rect(950, 10, 100, 100), Rect(900, 10, 100, 100)},
            {Rect(10, 750, 100, 100), Rect(10, 700, 100, 100)},
            {Rect(5, 5, -5, 0), Rect(5, 5, 1, 1)},
            // Too large: flush with the right and top edges, sticking out left and bottom.
            {Rect(0, 0, 1200, 1000), Rect(-200, -200, 1200, 1000)},
        };
        for (const auto& [rect, expected] : moves)
            QCOMPARE(str(constrainToScreen(rect, Rect(0, 0, 1000, 800))), str(expected));

        QCOMPARE(snap(10.25, 2), 10.5);
        QCOMPARE(snap(10.5, 1), 11.0);
        QCOMPARE(snap(-2.5, 1), -3.0);
        QCOMPARE(snap(10.2, 1), 10.0);
        const Screen retina = SimWorld::display("retina", Rect(0, 0, 1440, 900), 2.0);
        QCOMPARE(str(snapRectToBacking(Rect(240.25, 0.7, 960.2, 10.5), retina)),
                 str(Rect(240.5, 0.5, 960, 10.5)));
    }

    void flip_data() {
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<Point>("ax");
        QTest::addColumn<Rect>("global");
        const Screen laptop = SimWorld::laptop();
        const Screen above = SimWorld::above();
        const Screen below = SimWorld::display("below", Rect(-1920, -1080, 1920, 1080));
        QTest::newRow("one screen") << QList<Screen>{laptop} << Point{100, 400} << Rect(0, 0, 1440, 900);
        QTest::newRow("screen above")
            << QList<Screen>{laptop, above} << Point{100, 1480} << Rect(0, 0, 1920, 1980);
        // A screen below and left of the primary does not move the top.
        QTest::newRow("screen below")
            << QList<Screen>{laptop, below} << Point{100, 400} << Rect(-1920, -1080, 3360, 1980);
        QTest::newRow("no screens") << QList<Screen>{} << Point{100, -500} << Rect(0, 0, 0, 0);
    }
    void flip() {
        QFETCH(QList<Screen>, screens);
        QFETCH(Point, ax);
        QFETCH(Rect, global);
        const Rect frame(0, 0, 1440, 900);
        LogCapture log;
        QCOMPARE(bottomLeftToTopLeft({100, 200}, 300, SimWorld::display("s", frame), screens), ax);
        QCOMPARE(log.take(), flipLines(global, frame, {100, 200}, 300, ax));
        QCOMPARE(topLeftToBottomLeft(ax, 300, screens), Point(100, 200));
        QVERIFY(log.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PlacementGeometryTest)
#include "PlacementGeometryTest.moc"
