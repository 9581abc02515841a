// One running copy per user session: the real program started twice on a private desktop, over a
// session bus of the test's own, without any bus, and in menu-bar mode. The second start brings the
// first copy's window forward (the attached one in menu-bar mode) and ends with status 0.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTest>

class SingleInstanceE2ETest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aSecondStartHandsOverToTheFirst_data() {
        QTest::addColumn<bool>("bus");
        QTest::addColumn<bool>("menuBarMode");
        QTest::newRow("session bus") << true << false;
        QTest::newRow("runtime lock, no bus") << false << false;
        QTest::newRow("menu-bar mode") << true << true;
    }

    void aSecondStartHandsOverToTheFirst() {
        QFETCH(bool, bus);
        QFETCH(bool, menuBarMode);
        TestDesktop::Options options;
        options.tray = menuBarMode;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram first(desktop, QStringLiteral("single-instance"));
        if (bus) {
            const QString socket =
                desktop.environment().value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/bus");
            QVERIFY(desktop.startProcess(QStringLiteral("dbus-daemon"),
                                         {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                          QStringLiteral("--address=unix:path=") + socket}));
            QVERIFY(desktop.waitFor([&] { return QFileInfo::exists(socket); }));
            QProcessEnvironment extra;
            extra.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + socket);
            // Under the leak checker: libdbus keeps a buffer at exit that is not ours to free.
            const QString lsan = qEnvironmentVariable("LSAN_OPTIONS");
            extra.insert(QStringLiteral("LSAN_OPTIONS"),
                         (lsan.isEmpty() ? QString() : lsan + QLatin1Char(':')) +
                             QStringLiteral("suppressions=" QUARLIN_LSAN_SUPPRESSIONS));
            first.addEnvironment(extra);
        }
        if (menuBarMode)
            QVERIFY(first.writePreferences({{QStringLiteral("launchInMenuBarMode"), true}}));
        QVERIFY2(first.start({}, QuarlinProgram::patienceMs), qPrintable(first.error()));
        // Out of sight: the ordinary window minimised, the attached one sent away by a click elsewhere.
        const QString title = QStringLiteral("^Quarlin$");
        const auto attached = [&] {
            const quint32 shown = first.waitForWindow(title, 0);
            return shown && desktop.clientGeometry(shown).width() == 428;
        };
        if (menuBarMode) {
            QVERIFY2(desktop.waitFor(attached, QuarlinProgram::patienceMs), qPrintable(first.output()));
            QVERIFY(desktop.xdotool({"mousemove", "300", "700", "click", "1"}));
            QVERIFY(first.waitUntilGone(title));
        } else {
            QVERIFY(desktop.minimize(first.window()));
        }

        QProcess second;
        second.setProcessEnvironment(first.environment());
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(first.program());
        QVERIFY(second.waitForFinished(QuarlinProgram::patienceMs));
        const QString said = QString::fromUtf8(second.readAll());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.exitCode() == 0 && said.contains(QStringLiteral("already running")),
                 qPrintable(said));

        if (menuBarMode)
            QVERIFY2(desktop.waitFor(attached, QuarlinProgram::patienceMs), qPrintable(first.output()));
        else
            QVERIFY2(desktop.waitFor([&] {
                return !desktop.isMinimized(first.window()) && desktop.activeWindow() == first.window();
            }),
                     qPrintable(first.output()));
        QVERIFY(first.isRunning());
        QVERIFY(!first.screenshot(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')).isEmpty());
    }

    // A copy that holds the lock but does not answer: the second start says so in a window, not only
    // on standard error, and ends with status 1.
    void aStartThatGetsNoAnswerSaysSoInAWindow() {
        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram second(desktop, QStringLiteral("single-instance"));
        // This test holds the lock, as a copy would that hangs, with nobody at the socket.
        const QString runtime = desktop.environment().value(QStringLiteral("XDG_RUNTIME_DIR"));
        QVERIFY(QDir().mkpath(runtime));
        QLockFile held(runtime + QStringLiteral("/io.github.quarlin.lock"));
        QVERIFY(held.tryLock(0));

        QVERIFY2(second.start(), qPrintable(second.error()));
        const quint32 alert = second.waitForWindow(QStringLiteral("Quarlin Is Already Running"));
        QVERIFY2(alert != 0, qPrintable(second.output()));
        QVERIFY(desktop.waitFor([&] { return desktop.activeWindow() == alert; }));
        QVERIFY(second.screenshotOf(QStringLiteral("no-answer"), alert));
        QVERIFY(desktop.key(QStringLiteral("Return")));
        QVERIFY(second.waitForExit());
        QCOMPARE(second.exitCode(), 1);
        QVERIFY2(second.output().contains(QStringLiteral("did not answer")), qPrintable(second.output()));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceE2ETest)
#include "SingleInstanceE2ETest.moc"
