// Ending the program while it saves: a real process saving in a burst is ended by SIGTERM, SIGINT or
// SIGKILL; everything it reported committed is in the file, which stays sound, and an ending it can
// handle also writes what was still pending.
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class SaveAtQuitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endingTheProgramDuringABurstOfSavesLosesNothing_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }
    void endingTheProgramDuringABurstOfSavesLosesNothing() {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quarlin.sqlite"));
        QProcess burst;
        burst.start(QStringLiteral(SAVE_BURST), {path});
        QByteArray output;
        const auto saves = [&] {
            output += burst.readAllStandardOutput();
            return output.count("saved ");
        };
        QTRY_VERIFY_WITH_TIMEOUT(saves() >= 30, 20000);
        ::kill(pid_t(burst.processId()), signalNumber);
        QVERIFY(burst.waitForFinished(10000));
        output += burst.readAllStandardOutput();
        QCOMPARE(burst.exitStatus(), signalNumber == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit);
        if (signalNumber != SIGKILL)
            QCOMPARE(burst.exitCode(), 0);

        QString error;
        {
            auto database = Database::open(path, false, &error);
            QVERIFY2(database, qPrintable(error));
            QCOMPARE(database->queryText(QStringLiteral("PRAGMA integrity_check")),
                     std::optional(QStringLiteral("ok")));
        }
        VirtualScheduler scheduler;
        auto container = ModelContainer::open(path, scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        QHash<QString, ConfigurationGroup*> stored;
        for (ConfigurationGroup* configuration : container->mainContext()->fetch<ConfigurationGroup>())
            stored.insert(configuration->name(), configuration);
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() != 2)
                continue;
            ConfigurationGroup* configuration = stored.value(QString::fromUtf8(words[1]));
            QVERIFY2(configuration, line.constData());
            if (words[0] == "pending" && signalNumber != SIGKILL)
                QCOMPARE(configuration->desc(), std::optional(QStringLiteral("pending")));
        }
    }
};

QTEST_GUILESS_MAIN(SaveAtQuitTest)
#include "SaveAtQuitTest.moc"
