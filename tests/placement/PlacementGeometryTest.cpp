// The rectangle of every position on several screen layouts, keeping rectangles on screen,
// pixel snapping and the coordinate flip with its debug lines.
#include "placement/PlacementGeometry.h"
#include "SimWorld.h"

#include <QTest>

Q_DECLARE_METATYPE(Rect)
Q_DECLARE_METATYPE(Point)

namespace {

Screen screenWith(const QString& id, Rect frame, Rect visible, double scale = 1.0) {
    return Screen{id, frame, visible, scale};
}

// One expected rectangle per position, in case order.
using Expected = std::array<Rect, 15>;

void addPositionRows(const char* layout, Rect visible, double margin, const Expected& expected) {
    for (size_t i = 0; i < CornerInfo::allCases.size(); ++i) {
        const Corner corner = CornerInfo::allCases[i];
        QTest::addRow("%s m%g %s", layout, margin, qPrintable(str(corner)))
            << visible << static_cast<int>(corner) << margin << margin << expected[i];
    }
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

        // A 1440 x 900 display below a 25-point top panel.
        const Rect laptop(0, 25, 1440, 875);
        addPositionRows("laptop", laptop, 0,
                        {Rect(0, 463, 720, 437), Rect(720, 463, 720, 437), Rect(0, 25, 720, 437),
                         Rect(720, 25, 720, 437), Rect(0, 463, 1440, 437), Rect(0, 25, 1440, 437),
                         Rect(0, 25, 720, 875), Rect(720, 25, 720, 875), Rect(0, 25, 480, 875),
                         Rect(480, 25, 480, 875), Rect(960, 25, 480, 875), Rect(0, 25, 960, 875),
                         Rect(240, 25, 960, 875), Rect(480, 25, 960, 875), Rect(0, 25, 1440, 875)});
        // Spans shrink by twice the margin; halves and thirds only move inwards, so the two
        // top quarters overlap by 20 points.
        addPositionRows("laptop", laptop, 10,
                        {Rect(10, 453, 720, 437), Rect(710, 453, 720, 437), Rect(10, 35, 720, 437),
                         Rect(710, 35, 720, 437), Rect(10, 453, 1420, 437), Rect(10, 35, 1420, 437),
                         Rect(10, 35, 720, 855), Rect(710, 35, 720, 855), Rect(10, 35, 480, 855),
                         Rect(490, 35, 480, 855), Rect(950, 35, 480, 855), Rect(10, 35, 960, 855),
                         Rect(250, 35, 960, 855), Rect(470, 35, 960, 855), Rect(10, 35, 1420, 855)});
        // Odd sizes floor the halves and thirds; the far edge keeps the odd point.
        const Rect odd(0, 0, 1441, 901);
        addPositionRows("odd", odd, 0,
                        {Rect(0, 451, 720, 450), Rect(721, 451, 720, 450), Rect(0, 0, 720, 450),
                         Rect(721, 0, 720, 450), Rect(0, 451, 1441, 450), Rect(0, 0, 1441, 450),
                         Rect(0, 0, 720, 901), Rect(721, 0, 720, 901), Rect(0, 0, 480, 901),
                         Rect(480, 0, 480, 901), Rect(961, 0, 480, 901), Rect(0, 0, 960, 901),
                         Rect(240, 0, 960, 901), Rect(481, 0, 960, 901), Rect(0, 0, 1441, 901)});
        // A second monitor right of the primary, with a 28-point top panel and a 48-point dock
        // on its left edge.
        const Rect paneled(1968, 0, 1872, 1052);
        addPositionRows("panel", paneled, 10,
                        {Rect(1978, 516, 936, 526), Rect(2894, 516, 936, 526), Rect(1978, 10, 936, 526),
                         Rect(2894, 10, 936, 526), Rect(1978, 516, 1852, 526), Rect(1978, 10, 1852, 526),
                         Rect(1978, 10, 936, 1032), Rect(2894, 10, 936, 1032), Rect(1978, 10, 624, 1032),
                         Rect(2602, 10, 624, 1032), Rect(3206, 10, 624, 1032), Rect(1978, 10, 1248, 1032),
                         Rect(2290, 10, 1248, 1032), Rect(2582, 10, 1248, 1032), Rect(1978, 10, 1852, 1032)});

        // The centre two-thirds offset is half a floored third, not floored itself.
        QTest::newRow("centerTwoThirds half offset")
            << Rect(0, 0, 1443, 900) << static_cast<int>(Corner::centerTwoThirds) << 0.0 << 0.0
            << Rect(240.5, 0, 962, 900);
        // Margins apply per axis.
        QTest::newRow("topRight m4/30") << Rect(0, 25, 1440, 875) << static_cast<int>(Corner::topRight) << 4.0
                                        << 30.0 << Rect(716, 433, 720, 437);
        QTest::newRow("centerTwoThirds 1441 m10")
            << Rect(0, 0, 1441, 900) << static_cast<int>(Corner::centerTwoThirds) << 10.0 << 10.0
            << Rect(250, 10, 960, 880);
        // Narrower than twice the margin: the span goes negative; constraining mends it later.
        QTest::newRow("narrow fullScreen") << Rect(0, 0, 15, 900) << static_cast<int>(Corner::fullScreen)
                                           << 10.0 << 10.0 << Rect(10, 10, -5, 880);
    }
    void pinnedRect() {
        QFETCH(Rect, visible);
        QFETCH(int, corner);
        QFETCH(double, marginX);
        QFETCH(double, marginY);
        QFETCH(Rect, expected);
        const Screen screen = screenWith("s", visible, visible);
        const PinSpec spec{static_cast<Corner>(corner), 0.33, 520, marginX, marginY};
        QCOMPARE(str(::pinnedRect(screen, spec)), str(expected));
    }

    void anchors_data() {
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("raw");
        const int raws[] = {9, 10, 5, 6, 11, 7, 13, 14, 13, 12, 14, 13, 12, 14, 15};
        for (size_t i = 0; i < CornerInfo::allCases.size(); ++i)
            QTest::newRow(qPrintable(str(CornerInfo::allCases[i])))
                << static_cast<int>(CornerInfo::allCases[i]) << raws[i];
    }
    void anchors() {
        QFETCH(int, corner);
        QFETCH(int, raw);
        const Anchors a = ::anchors(static_cast<Corner>(corner));
        QCOMPARE(a.rawValue, raw);
        QVERIFY(isHalfScreenPosition(a));
    }

    void halfScreenNeedsTwoEdges() {
        QVERIFY(!isHalfScreenPosition(Anchors{}));
        QVERIFY(!isHalfScreenPosition(Anchors{Anchors::left}));
        QVERIFY(!isHalfScreenPosition(Anchors{Anchors::top}));
        QVERIFY(isHalfScreenPosition(Anchors{Anchors::bottom | Anchors::top}));
    }

    void constrain_data() {
        QTest::addColumn<Rect>("rect");
        QTest::addColumn<Rect>("expected");
        QTest::newRow("off bottom-left") << Rect(-50, -50, 100, 100) << Rect(0, 0, 100, 100);
        QTest::newRow("off right") << Rect(950, 10, 100, 100) << Rect(900, 10, 100, 100);
        QTest::newRow("off top") << Rect(10, 750, 100, 100) << Rect(10, 700, 100, 100);
        QTest::newRow("inside") << Rect(10, 10, 100, 100) << Rect(10, 10, 100, 100);
        QTest::newRow("empty grows") << Rect(5, 5, 0, 0) << Rect(5, 5, 1, 1);
        QTest::newRow("negative size grows") << Rect(5, 5, -5, -8) << Rect(5, 5, 1, 1);
        // Too large: flush with the right and top edges, sticking out left and bottom.
        QTest::newRow("too wide") << Rect(0, 0, 1200, 100) << Rect(-200, 0, 1200, 100);
        QTest::newRow("too tall") << Rect(0, 0, 100, 1000) << Rect(0, -200, 100, 1000);
    }
    void constrain() {
        QFETCH(Rect, rect);
        QFETCH(Rect, expected);
        QCOMPARE(str(constrainToScreen(rect, Rect(0, 0, 1000, 800))), str(expected));
    }

    void snap_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("expected");
        QTest::newRow("quarter at 2x") << 10.25 << 2.0 << 10.5;
        QTest::newRow("down at 1x") << 10.2 << 1.0 << 10.0;
        QTest::newRow("half up at 1x") << 10.5 << 1.0 << 11.0;
        QTest::newRow("half away from zero") << -2.5 << 1.0 << -3.0;
        QTest::newRow("three quarters at 2x") << 10.75 << 2.0 << 11.0;
        QTest::newRow("already aligned") << 240.5 << 2.0 << 240.5;
    }
    void snap() {
        QFETCH(double, value);
        QFETCH(double, scale);
        QFETCH(double, expected);
        QCOMPARE(::snap(value, scale), expected);
    }

    void snapRectUsesScreenScale() {
        const Screen retina = screenWith("r", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 900), 2.0);
        QCOMPARE(str(snapRectToBacking(Rect(240.25, 0.7, 960.2, 10.5), retina)),
                 str(Rect(240.5, 0.5, 960, 10.5)));
        const Screen plain = screenWith("p", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 900));
        QCOMPARE(str(snapRectToBacking(Rect(240.5, 0.4, 960.2, 10.5), plain)), str(Rect(241, 0, 960, 11)));
    }

    void flip_data() {
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<Point>("cocoa");
        QTest::addColumn<Point>("ax");
        QTest::addColumn<Rect>("global");
        const Screen laptop = screenWith("0", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875));
        const Screen above = screenWith("1", Rect(0, 900, 1920, 1080), Rect(0, 900, 1920, 1080));
        const Screen below = screenWith("2", Rect(-1920, -1080, 1920, 1080), Rect(-1920, -1080, 1920, 1080));
        QTest::newRow("one screen") << QList<Screen>{laptop} << Point{100, 200} << Point{100, 400}
                                    << Rect(0, 0, 1440, 900);
        QTest::newRow("screen above")
            << QList<Screen>{laptop, above} << Point{100, 200} << Point{100, 1480} << Rect(0, 0, 1920, 1980);
        // A screen below and left of the primary does not move the top.
        QTest::newRow("screen below") << QList<Screen>{laptop, below} << Point{100, 200} << Point{100, 400}
                                      << Rect(-1920, -1080, 3360, 1980);
        // Without screens the union is the zero rectangle at the origin.
        QTest::newRow("no screens") << QList<Screen>{} << Point{100, 200} << Point{100, -500}
                                    << Rect(0, 0, 0, 0);
    }
    void flip() {
        QFETCH(QList<Screen>, screens);
        QFETCH(Point, cocoa);
        QFETCH(Point, ax);
        QFETCH(Rect, global);
        const Rect frame(0, 0, 1440, 900);
        LogCapture log;
        QCOMPARE(cocoaToAXTopLeft(cocoa, 300, screenWith("t", frame, frame), screens), ax);
        QCOMPARE(log.take(), flipLines(global, frame, cocoa, 300, ax));
        QCOMPARE(axTopLeftToCocoa(ax, 300, screens), cocoa);
        QVERIFY(log.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PlacementGeometryTest)
#include "PlacementGeometryTest.moc"
