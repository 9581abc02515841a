// The conversions between X root coordinates and the program's coordinates, and struts taken
// from the monitors they touch, on layouts a test server cannot easily show.
#include "platform/x11/X11Screens.h"

#include <QTest>

namespace {

QList<X11Monitor> layout(std::initializer_list<QRect> rects) {
    QList<X11Monitor> out;
    bool first = true;
    for (const QRect& r : rects) {
        out << X11Monitor{QStringLiteral("M%1").arg(out.size()), r, first, QString()};
        first = false;
    }
    return out;
}

// _NET_WM_STRUT_PARTIAL for a band along one edge.
QList<quint32> top(quint32 height, quint32 startX, quint32 endX) {
    return {0, 0, height, 0, 0, 0, 0, 0, startX, endX, 0, 0};
}
QList<quint32> bottom(quint32 height, quint32 startX, quint32 endX) {
    return {0, 0, 0, height, 0, 0, 0, 0, 0, 0, startX, endX};
}
QList<quint32> left(quint32 width, quint32 startY, quint32 endY) {
    return {width, 0, 0, 0, startY, endY, 0, 0, 0, 0, 0, 0};
}
QList<quint32> right(quint32 width, quint32 startY, quint32 endY) {
    return {0, width, 0, 0, 0, 0, startY, endY, 0, 0, 0, 0};
}

} // namespace

class X11ScreensMathTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void convertsRootRectanglesToBottomLeft_data() {
        QTest::addColumn<QList<X11Monitor>>("monitors");
        QTest::addColumn<QRect>("root");
        QTest::addColumn<Rect>("bottomLeft");
        QTest::addColumn<QPoint>("topLeftOrigin");
        const auto single = layout({{0, 0, 1920, 1080}});
        const auto sideBySide = layout({{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}});
        const auto primaryRight = layout({{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}});
        const auto primaryBelow = layout({{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}});
        const auto tallerSecond = layout({{0, 360, 1920, 1080}, {1920, 0, 1440, 2560}});
        QTest::newRow("one monitor, full")
            << single << QRect(0, 0, 1920, 1080) << Rect(0, 0, 1920, 1080) << QPoint(0, 0);
        QTest::newRow("one monitor, top strip")
            << single << QRect(0, 0, 1920, 28) << Rect(0, 1052, 1920, 28) << QPoint(0, 0);
        QTest::newRow("second monitor")
            << sideBySide << QRect(1920, 0, 1920, 1080) << Rect(1920, 0, 1920, 1080) << QPoint(0, 0);
        QTest::newRow("primary on the right")
            << primaryRight << QRect(0, 0, 1920, 1080) << Rect(-1920, 0, 1920, 1080) << QPoint(1920, 0);
        QTest::newRow("monitor above the primary")
            << primaryBelow << QRect(0, 0, 1920, 1080) << Rect(0, 1080, 1920, 1080) << QPoint(0, 0);
        QTest::newRow("window on the primary below")
            << primaryBelow << QRect(100, 1180, 800, 600) << Rect(100, 380, 800, 600) << QPoint(0, 0);
        QTest::newRow("taller second monitor")
            << tallerSecond << QRect(1920, 0, 1440, 2560) << Rect(1920, -1120, 1440, 2560) << QPoint(0, 0);
    }
    void convertsRootRectanglesToBottomLeft() {
        QFETCH(QList<X11Monitor>, monitors);
        QFETCH(QRect, root);
        QFETCH(Rect, bottomLeft);
        QFETCH(QPoint, topLeftOrigin);
        QCOMPARE(X11Screens::toBottomLeft(root, monitors), bottomLeft);
        QCOMPARE(X11Screens::topLeftOrigin(monitors), topLeftOrigin);
    }

    void strutsTakeOnlyFromTheMonitorsTheyTouch_data() {
        QTest::addColumn<QRect>("monitor");
        QTest::addColumn<QList<QList<quint32>>>("struts");
        QTest::addColumn<QRect>("visible");
        const QRect leftMonitor(0, 0, 1920, 1080), rightMonitor(1920, 0, 1920, 1080);
        QTest::newRow("no struts") << leftMonitor << QList<QList<quint32>>{} << leftMonitor;
        QTest::newRow("top panel on it")
            << leftMonitor << QList<QList<quint32>>{top(28, 1720, 1919)} << QRect(0, 28, 1920, 1052);
        QTest::newRow("top panel on the other")
            << rightMonitor << QList<QList<quint32>>{top(28, 1720, 1919)} << rightMonitor;
        QTest::newRow("bottom panel across both")
            << rightMonitor << QList<QList<quint32>>{bottom(40, 0, 3839)} << QRect(1920, 0, 1920, 1040);
        QTest::newRow("dock at the far right")
            << rightMonitor << QList<QList<quint32>>{right(64, 0, 1079)} << QRect(1920, 0, 1856, 1080);
        QTest::newRow("right dock misses the left monitor")
            << leftMonitor << QList<QList<quint32>>{right(64, 0, 1079)} << leftMonitor;
        QTest::newRow("left dock and top panel")
            << leftMonitor << QList<QList<quint32>>{left(48, 0, 1079), top(24, 0, 1919)}
            << QRect(48, 24, 1872, 1056);
        QTest::newRow("two top panels, the taller wins")
            << leftMonitor << QList<QList<quint32>>{top(24, 0, 99), top(32, 500, 599)}
            << QRect(0, 32, 1920, 1048);
        QTest::newRow("malformed strut ignored")
            << leftMonitor << QList<QList<quint32>>{{10, 10, 10}} << leftMonitor;
    }
    void strutsTakeOnlyFromTheMonitorsTheyTouch() {
        QFETCH(QRect, monitor);
        QFETCH(QList<QList<quint32>>, struts);
        QFETCH(QRect, visible);
        QCOMPARE(X11Screens::visibleRect(monitor, struts, QSize(3840, 1080)), visible);
    }

    // A window manager's own panel shows only in the work area (icewm's taskbar, fluxbox's toolbar).
    void workAreaBands_data() {
        QTest::addColumn<QList<quint32>>("workAreas");
        QTest::addColumn<quint32>("desktop");
        QTest::addColumn<QRect>("visible");
        const QRect whole(0, 0, 1920, 1080);
        QTest::newRow("taskbar at the bottom")
            << QList<quint32>{0, 0, 1920, 1054} << 0u << QRect(0, 0, 1920, 1054);
        QTest::newRow("toolbar at the top, second desktop")
            << QList<quint32>{0, 0, 1920, 1080, 0, 20, 1920, 1060} << 1u << QRect(0, 20, 1920, 1060);
        QTest::newRow("desktop beyond the list: the first")
            << QList<quint32>{40, 0, 1880, 1080} << 3u << QRect(40, 0, 1880, 1080);
        QTest::newRow("none") << QList<quint32>{} << 0u << whole;
        QTest::newRow("empty") << QList<quint32>{0, 0, 0, 0} << 0u << whole;
        QTest::newRow("beyond the root") << QList<quint32>{0, 0, 3840, 1080} << 0u << whole;
    }
    void workAreaBands() {
        QFETCH(QList<quint32>, workAreas);
        QFETCH(quint32, desktop);
        QFETCH(QRect, visible);
        const QSize root(1920, 1080);
        const QList<quint32> bands = X11Screens::workAreaBands(workAreas, desktop, root);
        QList<QList<quint32>> struts;
        if (!bands.isEmpty())
            struts << bands;
        QCOMPARE(X11Screens::visibleRect(QRect(QPoint(), root), struts, root), visible);
    }

    void findsTheMonitorAWindowMostlyCovers() {
        const auto monitors = layout({{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}});
        QCOMPARE(X11Screens::monitorIndexFor(QRect(1800, 0, 400, 300), monitors), 1);
        QCOMPARE(X11Screens::monitorIndexFor(QRect(1700, 0, 400, 300), monitors), 0);
        QCOMPARE(X11Screens::monitorIndexFor(QRect(5000, 0, 10, 10), monitors), -1);
    }
};

QTEST_GUILESS_MAIN(X11ScreensMathTest)
#include "X11ScreensMathTest.moc"
