// Typed preferences, their change signal and the file they live in.
#include "base/JsonPreferenceStore.h"
#include "base/LogCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class PreferenceStoreTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsTypesAndAbsenceApartAndListsKeys() {
        PreferenceStore p;
        p.setValue(QStringLiteral("flag"), false);
        p.setValue(QStringLiteral("text"), QStringLiteral("false"));
        p.setValue(QStringLiteral("number"), 0);
        p.setValue(QStringLiteral("number_2"), 2);
        QCOMPARE(p.keys(QStringLiteral("number")).size(), 2);
        QCOMPARE(p.keys().size(), 4);
        QVERIFY(p.value(QStringLiteral("flag")).isBool());
        QVERIFY(p.value(QStringLiteral("text")).isString());
        QVERIFY(p.value(QStringLiteral("number")).isDouble());
        QVERIFY(p.value(QStringLiteral("absent")).isUndefined());
        QCOMPARE(p.boolValue(QStringLiteral("flag"), true), false);
        QCOMPARE(p.boolValue(QStringLiteral("text"), true), true);
        QCOMPARE(p.stringValue(QStringLiteral("flag"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    }

    void signalsOnlyRealChanges() {
        PreferenceStore p;
        QSignalSpy spy(&p, &PreferenceStore::changed);
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
        p.setValue(QStringLiteral("flag"), true);
        p.setValue(QStringLiteral("flag"), 1); // same JSON number? no: a Boolean becomes a number
        p.remove(QStringLiteral("missing"));
        p.remove(QStringLiteral("appTheme"));
        QCOMPARE(spy, (QList<QVariantList>{{"appTheme"}, {"flag"}, {"flag"}, {"appTheme"}}));
        QVERIFY(p.value(QStringLiteral("flag")).isDouble());
    }

    void fileRoundTripKeepsTypes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/preferences.json"));
        {
            JsonPreferenceStore p(path);
            p.setValue(QStringLiteral("launchInMenuBarMode"), true);
            p.setValue(QStringLiteral("KeyboardShortcuts_x"), false);
            p.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
            QVERIFY(p.writeError().isEmpty());
        }
        JsonPreferenceStore again(path);
        QVERIFY(again.loadError().isEmpty());
        QCOMPARE(again.value(QStringLiteral("launchInMenuBarMode")), QJsonValue(true));
        QCOMPARE(again.value(QStringLiteral("KeyboardShortcuts_x")), QJsonValue(false));
        QCOMPARE(again.value(QStringLiteral("appTheme")), QJsonValue(QStringLiteral("light")));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("preferences.json")});
    }

    // Earlier damaged files took the names of this second and the next: this one gets its own and is
    // never left in place to be written over.
    void damagedFileIsKeptAsideNeverOverwritten() {
        for (const QByteArray& damaged :
             {QByteArray("{ \"appTheme\": \"light\", oops"), QByteArray("[1, 2]")}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("preferences.json"));
            const QDateTime now = QDateTime::currentDateTime();
            for (int second = 0; second <= 1; ++second)
                writeAll(path + QStringLiteral(".damaged-") +
                             now.addSecs(second).toString(QStringLiteral("yyyyMMdd-HHmmss")),
                         "earlier");
            writeAll(path, damaged);
            LogCapture log;
            JsonPreferenceStore p(path);
            QVERIFY(damaged.startsWith('{') || p.loadError().contains(QStringLiteral("not a JSON object")));
            QCOMPARE(log.lines().size(), 1);
            QVERIFY(!p.contains(QStringLiteral("appTheme")));
            QCOMPARE(readAll(p.keptAsidePath()), damaged);

            p.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
            QCOMPARE(readAll(p.keptAsidePath()), damaged);
            QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("preferences.json.damaged-*")}).size(), 3);
            QVERIFY(QJsonDocument::fromJson(readAll(path)).isObject());
        }
    }

    // A folder where the file should be cannot be opened at all; it is kept aside like a damaged file.
    void anUnreadableFileIsKeptAsideToo() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("preferences.json"));
        QVERIFY(QDir().mkpath(path));
        writeAll(path + QStringLiteral("/notes"), "mine");
        LogCapture log;
        JsonPreferenceStore p(path);
        QVERIFY(!p.loadFailureReason().isEmpty());
        QCOMPARE(readAll(p.keptAsidePath() + QStringLiteral("/notes")), QByteArray("mine"));
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
        QVERIFY2(p.writeError().isEmpty(), qPrintable(p.writeError()));
        QCOMPARE(JsonPreferenceStore(path).stringValue(QStringLiteral("appTheme"), {}),
                 QStringLiteral("dark"));
    }

    // Whatever else sits at the path is refused without waiting on it and kept aside as it is: a pipe
    // with no writer, a link to a device that never ends, a file far larger than preferences get.
    void onlyARegularFileOfSaneSizeIsRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << QStringLiteral("pipe") << QStringLiteral("not a regular file");
        QTest::newRow("link to a device") << QStringLiteral("device") << QStringLiteral("not a regular file");
        QTest::newRow("oversized") << QStringLiteral("oversized") << QStringLiteral("larger than 1 MB");
    }
    void onlyARegularFileOfSaneSizeIsRead() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("preferences.json"));
        const QByteArray oversized =
            "{\"appTheme\": \"light\"" + QByteArray(JsonPreferenceStore::maxFileSize, ' ') + '}';
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else
            writeAll(path, oversized);

        LogCapture log;
        JsonPreferenceStore p(path);
        QCOMPARE(p.loadFailureReason(), reason);
        QVERIFY(!p.contains(QStringLiteral("appTheme")));
        const QString aside = p.keptAsidePath();
        QVERIFY(!aside.isEmpty());
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(aside).constData(), &info), 0);
        if (kind == QLatin1String("pipe"))
            QVERIFY(S_ISFIFO(info.st_mode));
        else if (kind == QLatin1String("device"))
            QCOMPARE(QFileInfo(aside).symLinkTarget(), QStringLiteral("/dev/zero"));
        else
            QCOMPARE(readAll(aside), oversized);

        p.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
        QVERIFY2(p.writeError().isEmpty(), qPrintable(p.writeError()));
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        QCOMPARE(JsonPreferenceStore(path).stringValue(QStringLiteral("appTheme"), {}),
                 QStringLiteral("dark"));
    }

    // A cleared setting (a removed shortcut) must stay cleared at the next start.
    void aRemovedKeyStaysRemovedAfterARestart() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("preferences.json"));
        {
            JsonPreferenceStore p(path);
            p.setValue(QStringLiteral("KeyboardShortcuts_a"), QStringLiteral("{}"));
            p.setValue(QStringLiteral("KeyboardShortcuts_b"), QStringLiteral("{}"));
            p.remove(QStringLiteral("KeyboardShortcuts_a"));
            p.setValue(QStringLiteral("KeyboardShortcuts_b"), QJsonValue(QJsonValue::Null));
        }
        JsonPreferenceStore again(path);
        QVERIFY(again.loadError().isEmpty());
        QCOMPARE(again.keys(), QStringList());
    }

    // When the damaged file cannot be moved, changes hold for this run and the file stays as it is.
    void aDamagedFileThatCannotBeMovedIsNeverWrittenOver() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("preferences.json"));
        writeAll(path, "{ oops");
        LogCapture log;
        JsonPreferenceStore p(path, [](const QString&, const QString&) { return false; });
        QVERIFY(p.keptAsidePath().isEmpty());
        QVERIFY(p.loadError().contains(QStringLiteral("nor moved aside")));
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
        p.setValue(QStringLiteral("launchInMenuBarMode"), true);
        QCOMPARE(readAll(path), QByteArray("{ oops"));
        QCOMPARE(p.stringValue(QStringLiteral("appTheme"), {}), QStringLiteral("dark"));
        QVERIFY(!p.writeError().isEmpty());
        // One line for the damaged file, one for the first refused write.
        QCOMPARE(log.lines().size(), 2);
    }

    // The user hears of failed writes once per run of failures, not once per change.
    void aFailedWriteIsSignalledOncePerRunOfFailures() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("quarlin"));
        const QString path = folder + QStringLiteral("/preferences.json");
        // A file where the folder should be: nothing can be written below it, whoever runs the test.
        const auto blockFolder = [&] {
            QVERIFY(QDir(folder).removeRecursively());
            writeAll(folder, "in the way");
        };
        LogCapture log;
        JsonPreferenceStore p(path);
        QSignalSpy failed(&p, &JsonPreferenceStore::writeFailed);
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
        blockFolder();
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
        p.setValue(QStringLiteral("launchInMenuBarMode"), true);
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.at(0).at(0).toString().contains(path));

        QVERIFY(QFile::remove(folder));
        p.setValue(QStringLiteral("launchInMenuBarMode"), false);
        QVERIFY(p.writeError().isEmpty());
        QCOMPARE(JsonPreferenceStore(path).stringValue(QStringLiteral("appTheme"), {}),
                 QStringLiteral("dark"));
        blockFolder();
        p.setValue(QStringLiteral("launchInMenuBarMode"), true);
        QCOMPARE(failed.size(), 2);
    }

    void failedWriteIsReportedAndKeepsTheValue() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("ro"));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (QFileInfo(folder).isWritable())
            QSKIP("running with privileges that ignore folder permissions");
        LogCapture log;
        JsonPreferenceStore p(folder + QStringLiteral("/preferences.json"));
        p.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
        QVERIFY(!p.writeError().isEmpty());
        QCOMPARE(p.stringValue(QStringLiteral("appTheme"), {}), QStringLiteral("light"));
        QCOMPARE(log.lines().size(), 1);
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(PreferenceStoreTest)
#include "PreferenceStoreTest.moc"
