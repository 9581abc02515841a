// The private test desktop itself: what every real-window test builds on.
#include "TestDesktop.h"

#include <QTest>

#include <signal.h>

class TestDesktopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsClientsAndReadsTheirFramesFromTheServer() {
        TestDesktop::Options options;
        options.tray = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QVERIFY(desktop.displayName().startsWith(QLatin1Char(':')));
        QCOMPARE(desktop.workArea(), QRect(0, TestDesktop::trayHeight, 1920, 1080 - TestDesktop::trayHeight));

        const auto logo =
            desktop.startXlogo({QStringLiteral("-geometry"), QStringLiteral("300x200+100+150")});
        QVERIFY(logo.window);
        QCOMPARE(desktop.wmClass(logo.window), QStringLiteral("xlogo.XLogo"));
        const QRect client = desktop.clientGeometry(logo.window);
        const QRect frame = desktop.frameGeometry(logo.window);
        QCOMPARE(client.size(), QSize(300, 200));
        QVERIFY(frame.contains(client));
        QVERIFY(frame.height() > client.height());

        QVERIFY(desktop.xdotool({QStringLiteral("windowmove"), QString::number(logo.window),
                                 QStringLiteral("40"), QStringLiteral("60")}));
        QVERIFY(
            desktop.waitFor([&] { return desktop.frameGeometry(logo.window).topLeft() != frame.topLeft(); }));

        QVERIFY(desktop.minimize(logo.window));
        QVERIFY(desktop.isMinimized(logo.window));
        QVERIFY(desktop.movePointer(500, 400));
        QCOMPARE(desktop.pointer(), QPoint(500, 400));

        QVERIFY(desktop.close(logo.window));
        QVERIFY(desktop.waitFor([&] { return !desktop.isRunning(logo.pid); }));
    }

    void startsWhatADesktopEntrySays() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        desktop.installDesktopEntry(QStringLiteral("quarlin-logo"),
                                    QStringLiteral("[Desktop Entry]\nType=Application\nName=Logo\n"
                                                   "Exec=xlogo -geometry 120x90+30+40 %U\n"));
        const auto logo = desktop.startDesktopEntry(QStringLiteral("quarlin-logo"), QStringLiteral("XLogo"));
        QVERIFY(logo.window);
        QCOMPARE(desktop.clientGeometry(logo.window).size(), QSize(120, 90));
        const auto term = desktop.startDesktopEntry(QStringLiteral("debian-xterm"), QStringLiteral("XTerm"));
        QVERIFY(term.window);
        QVERIFY(!desktop.startDesktopEntry(QStringLiteral("no-such-entry"), QStringLiteral("X")).pid);
    }

    void twoMonitorsShareOneWideScreen() {
        TestDesktop::Options options;
        options.twoMonitors = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        const auto term = desktop.startXterm({QStringLiteral("-geometry"), QStringLiteral("80x24+2000+100")});
        QVERIFY(term.window);
        QVERIFY(desktop.frameGeometry(term.window).x() >= 1920);
        QVERIFY(desktop.maximize(term.window));
    }

    void stopsEverythingItStarted() {
        qint64 pid = 0;
        {
            TestDesktop desktop;
            QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
            pid = desktop.startXterm().pid;
            QVERIFY(pid);
        }
        QVERIFY(::kill(pid_t(pid), 0) != 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopTest)
#include "TestDesktopTest.moc"
