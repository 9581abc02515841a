// End to end through a real file-sync service: two Syncthing instances, each with its own home, on the
// loopback address only (no discovery, relays, NAT or usage reports), each sharing the sync folder of
// one Quarlin store. A configuration created on one side reaches the other side's store.
#include "SyncPeerProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
quint16 freePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

struct Side {
    QString home, folder, data, deviceId;
    quint16 port = 0;
    std::unique_ptr<QProcess> syncthing;
    std::unique_ptr<SyncPeerProcess> peer;
};

QString runSyncthing(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void stop(QProcess* process) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(10000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}
} // namespace

class SyncthingTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    Side m_sides[2];
    QString m_syncthing;

    void writeConfig(const Side& self) {
        QString devices, folderDevices;
        for (const Side& side : m_sides) {
            devices += QStringLiteral(
                           "  <device id=\"%1\" name=\"%1\" compression=\"metadata\" introducer=\"false\">\n"
                           "    <address>tcp://127.0.0.1:%2</address>\n"
                           "    <autoAcceptFolders>false</autoAcceptFolders>\n"
                           "  </device>\n")
                           .arg(side.deviceId)
                           .arg(side.port);
            folderDevices += QStringLiteral("    <device id=\"%1\"></device>\n").arg(side.deviceId);
        }
        const QString config =
            QStringLiteral("<configuration version=\"36\">\n"
                           "  <folder id=\"quarlin\" label=\"quarlin\" path=\"%1\" type=\"sendreceive\" "
                           "rescanIntervalS=\"3600\" fsWatcherEnabled=\"true\" fsWatcherDelayS=\"1\">\n"
                           "%2    <minDiskFree unit=\"%\">0</minDiskFree>\n"
                           "  </folder>\n%3"
                           "  <gui enabled=\"false\" tls=\"false\"><address>127.0.0.1:0</address></gui>\n"
                           "  <options>\n"
                           "    <listenAddress>tcp://127.0.0.1:%4</listenAddress>\n"
                           "    <globalAnnounceEnabled>false</globalAnnounceEnabled>\n"
                           "    <localAnnounceEnabled>false</localAnnounceEnabled>\n"
                           "    <relaysEnabled>false</relaysEnabled>\n"
                           "    <natEnabled>false</natEnabled>\n"
                           "    <urAccepted>-1</urAccepted>\n"
                           "    <crashReportingEnabled>false</crashReportingEnabled>\n"
                           "    <announceLANAddresses>false</announceLANAddresses>\n"
                           "    <minHomeDiskFree unit=\"%\">0</minHomeDiskFree>\n"
                           "  </options>\n"
                           "</configuration>\n")
                .arg(self.folder, folderDevices, devices)
                .arg(self.port);
        QFile file(self.home + QStringLiteral("/config.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(config.toUtf8());
    }

private Q_SLOTS:
    void initTestCase() {
        m_syncthing = QStandardPaths::findExecutable(QStringLiteral("syncthing"));
        if (m_syncthing.isEmpty())
            QSKIP("syncthing is not installed (scripts/install-deps installs it)");
        QVERIFY(m_dir.isValid());
        int index = 0;
        for (Side& side : m_sides) {
            const QString name = index++ == 0 ? QStringLiteral("a") : QStringLiteral("b");
            side.home = m_dir.filePath(name + QStringLiteral("-syncthing"));
            side.folder = m_dir.filePath(name + QStringLiteral("-shared"));
            side.data = m_dir.filePath(name + QStringLiteral("-data"));
            QVERIFY(QDir().mkpath(side.folder) && QDir().mkpath(side.data));
            runSyncthing(m_syncthing, {QStringLiteral("generate"), QStringLiteral("--home=") + side.home,
                                       QStringLiteral("--no-default-folder")});
            side.deviceId = runSyncthing(
                m_syncthing, {QStringLiteral("--home=") + side.home, QStringLiteral("--device-id")});
            QVERIFY2(side.deviceId.size() > 50, qPrintable(side.deviceId));
            side.port = freePort();
            QVERIFY(side.port != 0);
        }
        for (Side& side : m_sides) {
            writeConfig(side);
            side.syncthing = std::make_unique<QProcess>();
            side.syncthing->setStandardOutputFile(side.home + QStringLiteral("/log.txt"));
            side.syncthing->setStandardErrorFile(side.home + QStringLiteral("/log.txt"), QIODevice::Append);
            side.syncthing->start(m_syncthing,
                                  {QStringLiteral("serve"), QStringLiteral("--home=") + side.home,
                                   QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                                   QStringLiteral("--no-upgrade")});
            QVERIFY(side.syncthing->waitForStarted());

            side.peer = std::make_unique<SyncPeerProcess>(side.data, side.folder,
                                                          QStringList{QStringLiteral("--automatic")});
            QVERIFY(side.peer->isReady());
        }
    }

    void cleanupTestCase() {
        for (Side& side : m_sides) {
            side.peer.reset();
            stop(side.syncthing.get());
        }
    }

    void aConfigurationCreatedOnOneSideReachesTheOther() {
        Side& a = m_sides[0];
        Side& b = m_sides[1];
        const QString id = a.peer->one(QStringLiteral("create Shared"));
        QVERIFY2(!id.startsWith(QLatin1String("error")), qPrintable(id));
        const QString copied =
            b.folder + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json");
        // Connecting and the first exchange of indexes take Syncthing a while.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copied), 120000);
        QElapsedTimer sinceCopied;
        sinceCopied.start();
        QTRY_VERIFY_WITH_TIMEOUT(b.peer->show(id).startsWith(QLatin1String("Shared|")), 10000);
        qInfo("in the other store %.1f s after Syncthing copied the file",
              double(sinceCopied.elapsed()) / 1000);
    }
};

QTEST_GUILESS_MAIN(SyncthingTest)
#include "SyncthingTest.moc"
