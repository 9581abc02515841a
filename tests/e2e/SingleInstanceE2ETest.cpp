// One running copy per user session: the real program started twice on a private desktop, once over
// a session bus of the test's own and once without any bus. The second start brings the first
// copy's window forward and ends with status 0.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include <QFileInfo>
#include <QTest>

class SingleInstanceE2ETest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aSecondStartHandsOverToTheFirst_data() {
        QTest::addColumn<bool>("bus");
        QTest::newRow("session bus") << true;
        QTest::newRow("runtime lock, no bus") << false;
    }

    void aSecondStartHandsOverToTheFirst() {
        QFETCH(bool, bus);
        TestDesktop desktop;
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
            first.addEnvironment(extra);
        }
        QVERIFY2(first.start(), qPrintable(first.error()));
        QVERIFY(desktop.minimize(first.window()));

        QProcess second;
        second.setProcessEnvironment(first.environment());
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(first.program());
        QVERIFY(second.waitForFinished(QuarlinProgram::patienceMs));
        const QString said = QString::fromUtf8(second.readAll());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.exitCode() == 0 && said.contains(QStringLiteral("already running")),
                 qPrintable(said));

        QVERIFY2(desktop.waitFor([&] {
            return !desktop.isMinimized(first.window()) && desktop.activeWindow() == first.window();
        }),
                 qPrintable(first.output()));
        QVERIFY(first.isRunning());
        QVERIFY(!first.screenshot(QString::fromLatin1(bus ? "bus" : "lock")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceE2ETest)
#include "SingleInstanceE2ETest.moc"
