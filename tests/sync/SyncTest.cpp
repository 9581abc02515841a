// Two machines (two processes with their own data folders) sharing one sync folder.
#include "SyncPeerProcess.h"

#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

namespace {
// Whether process `pid` holds a POSIX lock on the file at `path` (as SQLite does on an open database).
bool holdsLock(qint64 pid, const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QString inode = QStringLiteral(":%1").arg(info.st_ino);
    for (const QString& line : QString::fromLatin1(locks.readAll()).split(u'\n')) {
        const QStringList fields = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (fields.size() > 5 && fields[1] == QLatin1String("POSIX") && fields[4].toLongLong() == pid &&
            fields[5].endsWith(inode))
            return true;
    }
    return false;
}
} // namespace

class SyncTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SyncPeerProcess> a, b;
    QString folder() const { return m_dir.filePath(QStringLiteral("shared")); }
    QString fileOf(const QString& id) const {
        return folder() + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json");
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool put(const QString& path, const QByteArray& data) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    }

    // Both machines hold one configuration, created on the first.
    QString shareOne() {
        const QString id = a->one(QStringLiteral("create Work"));
        syncInTurn({a.get(), b.get()});
        return id;
    }
    // Rewrites b's rows of applications with their places set to `places` (in SQL), b stopped meanwhile.
    void renumberOnB(const QString& places) {
        b.reset();
        QString error;
        std::unique_ptr<Database> store =
            Database::open(m_dir.filePath(QStringLiteral("b/quarlin.sqlite")), false, &error);
        QVERIFY2(store &&
                     store->execute(QStringLiteral("UPDATE AppConfiguration SET configurationGroupOrder = ") +
                                        places,
                                    &error),
                 qPrintable(error));
        store.reset();
        b = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("b")), folder());
        QVERIFY(b->isReady());
    }
    // Each peer imports and exports once, in the order given.
    void syncInTurn(std::initializer_list<SyncPeerProcess*> peers) {
        for (SyncPeerProcess* peer : peers)
            QCOMPARE(peer->ask(QStringLiteral("sync")), QStringList());
    }

private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(folder()));
        a = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("a")), folder());
        b = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("b")), folder());
        QVERIFY(a->isReady() && b->isReady());
    }
    void cleanup() {
        a.reset();
        b.reset();
    }

    // Also where b's rows number the list otherwise than its sync state (each place two up): the
    // order shown is the recorded one, so nothing goes out, and the places are no edit made on b. A
    // rename of the configuration on b afterwards does not bring the application back.
    void anApplicationLeavesItsConfigurationEverywhere_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("renumbered");
        QTest::newRow("deleted") << "dropApp" << false;
        QTest::newRow("taken out of the list") << "detachApp" << false;
        QTest::newRow("deleted, its rows renumbered on b") << "dropApp" << true;
    }
    void anApplicationLeavesItsConfigurationEverywhere() {
        QFETCH(QString, command);
        QFETCH(bool, renumbered);
        const QString id = shareOne();
        if (renumbered) {
            renumberOnB(QStringLiteral("configurationGroupOrder + 2"));
            syncInTurn({b.get(), a.get()});
            QCOMPARE(b->show(id), a->show(id));
        }
        a->ask(command + u' ' + id);
        syncInTurn({a.get(), b.get()});
        QCOMPARE(b->show(id), QStringLiteral("Work||org.example.Terminal|Left & Right:2"));
        QVERIFY(b->log().filter(QStringLiteral("skipped")).isEmpty());
        b->ask(QStringLiteral("rename %1 Renamed").arg(id));
        syncInTurn({b.get(), a.get()});
        QCOMPARE(a->show(id), QStringLiteral("Renamed||org.example.Terminal|Left & Right:2"));
    }

    // B's rows number a list with gaps, in the recorded order (as rows left by rounds that took members
    // out, or by an earlier version, may): no edit made on b, so a's deletion of the configuration, or
    // a's move within the list, holds there too.
    void aListNumberedWithGapsHoldsNoEdit_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("configuration deleted") << "delete";
        QTest::newRow("application moved") << "reorderApps";
    }
    void aListNumberedWithGapsHoldsNoEdit() {
        QFETCH(QString, command);
        const QString id = shareOne();
        renumberOnB(QStringLiteral("configurationGroupOrder * 3 + 1"));
        syncInTurn({b.get(), a.get()});
        const QString before = a->show(id);
        QCOMPARE(b->show(id), before);
        a->ask(command + u' ' + id);
        syncInTurn({a.get(), b.get(), a.get()});
        QVERIFY(a->show(id) != before);
        QCOMPARE(b->show(id), a->show(id));
    }

    void concurrentEdits_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("expected");
        QTest::newRow("different attributes") << "rename %1 FromA"
                                              << "describe %1 FromB"
                                              << "FromA|FromB|";
        QTest::newRow("same attribute: the newer wins") << "rename %1 FromA"
                                                        << "rename %1 FromB"
                                                        << "FromB||";
    }
    void concurrentEdits() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, expected);
        // B's edit comes a moment after A's, but the two may fall in one millisecond: B's clock runs a
        // second ahead, so that its edit is the newer one beyond doubt.
        b.reset();
        b = std::make_unique<SyncPeerProcess>(
            m_dir.filePath(QStringLiteral("b")), folder(),
            QStringList{QStringLiteral("--clock-offset-ms"), QStringLiteral("1000")});
        QVERIFY(b->isReady());
        const QString id = shareOne();
        // Each exports without having seen the other's change; B's write replaces A's file.
        a->ask(first.arg(id));
        b->ask(second.arg(id));
        syncInTurn({a.get(), b.get(), a.get()});
        QVERIFY2(a->show(id).startsWith(expected), qPrintable(a->show(id)));
        QCOMPARE(b->show(id), a->show(id));
    }

    void deleteAgainstEdit_data() {
        QTest::addColumn<bool>("editLater");
        QTest::newRow("edit after delete: it comes back whole") << true;
        QTest::newRow("delete after edit: it goes") << false;
    }
    void deleteAgainstEdit() {
        QFETCH(bool, editLater);
        // The two changes come one after the other, but may fall in one millisecond: B's clock runs a
        // second ahead of A's or behind it, so that the later change is the newer one beyond doubt.
        b.reset();
        b = std::make_unique<SyncPeerProcess>(
            m_dir.filePath(QStringLiteral("b")), folder(),
            QStringList{QStringLiteral("--clock-offset-ms"),
                        editLater ? QStringLiteral("1000") : QStringLiteral("-1000")});
        QVERIFY(b->isReady());
        const QString id = shareOne();
        if (editLater) {
            a->ask(QStringLiteral("delete ") + id);
            b->ask(QStringLiteral("rename %1 Kept").arg(id));
        } else {
            b->ask(QStringLiteral("rename %1 Kept").arg(id));
            a->ask(QStringLiteral("delete ") + id);
        }
        syncInTurn({a.get(), b.get(), a.get(), b.get()});
        const QString expected =
            editLater ? QStringLiteral("Kept||org.example.Editor,org.example.Terminal|Left & Right:2")
                      : QStringLiteral("absent");
        QCOMPARE(a->show(id), expected);
        QCOMPARE(b->show(id), expected);
    }

    void aClockTenMinutesBehindStillWinsWithALaterEdit() {
        b.reset();
        b = std::make_unique<SyncPeerProcess>(
            m_dir.filePath(QStringLiteral("b")), folder(),
            QStringList{QStringLiteral("--clock-offset-ms"), QStringLiteral("-600000")});
        QVERIFY(b->isReady());
        const QString id = shareOne();
        a->ask(QStringLiteral("rename %1 FromA").arg(id));
        syncInTurn({a.get(), b.get()});
        b->ask(QStringLiteral("rename %1 FromB").arg(id));
        syncInTurn({b.get(), a.get()});
        QVERIFY(a->show(id).startsWith(QLatin1String("FromB|")));
    }

    // A crash between the store's commit and the sync state's, or a lost sync state: at the next start
    // nothing this machine holds counts as an edit made then, so a rename made meanwhile elsewhere wins.
    void aMachineThatLostTrackRejoinsWithoutOverriding_data() {
        QTest::addColumn<QString>("dieAt");
        QTest::newRow("killed after keeping the sync state") << "stateKept";
        QTest::newRow("killed after the store's commit") << "storeCommitted";
        QTest::newRow("sync state deleted") << "";
    }
    void aMachineThatLostTrackRejoinsWithoutOverriding() {
        QFETCH(QString, dieAt);
        const QString id = shareOne();
        b->ask(QStringLiteral("rename %1 FromB").arg(id));
        const QString data = m_dir.filePath(QStringLiteral("a"));
        a.reset();
        if (!dieAt.isEmpty()) {
            a = std::make_unique<SyncPeerProcess>(data, folder(),
                                                  QStringList{QStringLiteral("--die-at"), dieAt});
            QVERIFY(a->isReady());
            QCOMPARE(a->ask(QStringLiteral("sync")), QStringList{QStringLiteral("error: no answer")});
        } else {
            for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(data + QStringLiteral("/sync-state.sqlite") + suffix);
        }
        b->ask(QStringLiteral("rename %1 Later").arg(id));
        syncInTurn({b.get()});
        a = std::make_unique<SyncPeerProcess>(data, folder());
        QVERIFY(a->isReady());
        syncInTurn({a.get(), b.get(), a.get()});
        QCOMPARE(a->show(id),
                 QStringLiteral("Later||org.example.Editor,org.example.Terminal|Left & Right:2"));
        QCOMPARE(b->show(id), a->show(id));
    }

    // Killed between writing a file's temporary file and renaming it: the next start of that machine
    // removes what it left, and no other machine touches it meanwhile; the edit goes out all the same.
    void aTemporaryFileLeftByAKillGoesAtTheNextStart() {
        const QString id = shareOne();
        const QDir configurations(folder() + QStringLiteral("/ConfigurationGroup"));
        const auto temporary = [&] {
            return configurations.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
        };
        std::unique_ptr<SyncPeerProcess>* peers[] = {&a, &b};
        const QString names[] = {QStringLiteral("a"), QStringLiteral("b")};
        for (int i = 0; i < 2; ++i) {
            peers[i]->reset();
            *peers[i] = std::make_unique<SyncPeerProcess>(
                m_dir.filePath(names[i]), folder(),
                QStringList{QStringLiteral("--die-at"), "temporaryWritten"});
            QVERIFY((*peers[i])->isReady());
            (*peers[i])->ask(QStringLiteral("rename %1 From%2").arg(id, names[i]));
            QCOMPARE((*peers[i])->ask(QStringLiteral("sync")),
                     QStringList{QStringLiteral("error: no answer")});
            QCOMPARE(temporary().size(), i + 1);
        }
        const QStringList left = temporary();
        a = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("a")), folder());
        QVERIFY(a->isReady());
        syncInTurn({a.get()});
        QCOMPARE(temporary().size(), 1);
        QVERIFY(left.contains(temporary().first()));
        b = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("b")), folder());
        QVERIFY(b->isReady());
        syncInTurn({b.get(), a.get()});
        QCOMPARE(temporary(), QStringList());
        QVERIFY2(a->show(id).startsWith(QLatin1String("Fromb|")), qPrintable(a->show(id)));
        QCOMPARE(b->show(id), a->show(id));
    }

    // A receiver whose list is still incomplete keeps the places its owner gave, rather than numbering
    // what it has so far and sending that out as an edit.
    void listPlacesSurviveFilesArrivingOutOfOrder() {
        const QString id = a->one(QStringLiteral("create Work"));
        syncInTurn({a.get()});
        const QDir apps(folder() + QStringLiteral("/AppConfiguration"));
        QString first, second;
        for (const QString& name : apps.entryList({QStringLiteral("*.json")}))
            (contents(apps.filePath(name)).contains("org.example.Editor") ? first : second) =
                apps.filePath(name);
        const QString aside = m_dir.filePath(QStringLiteral("aside.json"));
        QVERIFY(QFile::rename(first, aside));
        const auto placeOfSecond = [&] {
            return QJsonDocument::fromJson(contents(second))
                .object()
                .value(QStringLiteral("attributes"))
                .toObject()
                .value(QStringLiteral("configurationGroupOrder"))
                .toString();
        };
        const QString placed = placeOfSecond();
        syncInTurn({b.get()});
        QCOMPARE(placeOfSecond(), placed);
        QVERIFY(QFile::rename(aside, first));
        syncInTurn({b.get(), a.get(), b.get()});
        QCOMPARE(placeOfSecond(), placed);
        QCOMPARE(b->show(id), QStringLiteral("Work||org.example.Editor,org.example.Terminal|Left & Right:2"));
        QCOMPARE(a->show(id), b->show(id));
        // Taking a member out writes only its tombstone: the rest keep their keys.
        a->ask(QStringLiteral("dropApp ") + id);
        syncInTurn({a.get(), b.get()});
        QCOMPARE(placeOfSecond(), placed);
        QCOMPARE(b->show(id), QStringLiteral("Work||org.example.Terminal|Left & Right:2"));
    }

    void halfWrittenAndForeignFilesAreSkippedAndLeft() {
        const QString id = shareOne();
        const QString classFolder = folder() + QStringLiteral("/ConfigurationGroup/");
        QFile original(classFolder + id + QStringLiteral(".json"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray whole = original.readAll();
        const QByteArray half = whole.left(whole.size() / 2);
        // A sync service's temporary copy, and a file copied in place that is not complete yet.
        const QString temporary =
            classFolder + QStringLiteral(".syncthing.") + id + QStringLiteral(".json.tmp");
        const QString partial = classFolder + QStringLiteral("0B5E2C1A-0000-4000-8000-000000000001.json");
        const QString foreign = classFolder + QStringLiteral("notes.txt");
        for (const QString& path : {temporary, partial, foreign}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(half);
        }
        syncInTurn({b.get(), b.get()});
        QCOMPARE(b->one(QStringLiteral("count")), QStringLiteral("1"));
        const QStringList log = b->log();
        QCOMPARE(log.filter(partial).size(), 1);
        QCOMPARE(log.filter(foreign).size(), 1);
        QVERIFY(log.filter(temporary).isEmpty());
        for (const QString& path : {temporary, partial, foreign})
            QVERIFY(QFile::exists(path));
    }

    void linksInsideTheFolderAreNeverFollowed() {
        const QString id = shareOne();
        const QString store = m_dir.filePath(QStringLiteral("a/quarlin.sqlite"));
        QVERIFY(holdsLock(a->pid(), store));
        // A valid record of an object nobody made, kept outside the folder and linked in; and the
        // store's own database linked in under an object's name.
        const QString strangerId = QStringLiteral("0B5E2C1A-0000-4000-8000-00000000000A");
        const QString outside = m_dir.filePath(QStringLiteral("outside.json"));
        QVERIFY(put(outside, contents(fileOf(id)).replace(id.toUtf8(), strangerId.toUtf8())));
        QVERIFY(QFile::link(outside, fileOf(strangerId)));
        const QString storeLink = fileOf(QStringLiteral("0B5E2C1A-0000-4000-8000-00000000000B"));
        QVERIFY(QFile::link(QStringLiteral("../../a/quarlin.sqlite"), storeLink));
        syncInTurn({a.get(), b.get()});
        QVERIFY(holdsLock(a->pid(), store));
        QCOMPARE(b->one(QStringLiteral("count")), QStringLiteral("1"));
        QCOMPARE(b->log().filter(QStringLiteral("symbolic link")).size(), 2);
        // A later edit replaces neither link's target.
        const QByteArray before = contents(outside);
        a->ask(QStringLiteral("rename %1 Renamed").arg(id));
        syncInTurn({a.get(), b.get()});
        QVERIFY2(b->show(id).startsWith(QLatin1String("Renamed|")), qPrintable(b->show(id)));
        QCOMPARE(contents(outside), before);
        QVERIFY(holdsLock(a->pid(), store));
    }

    void aClassFolderThatIsALinkIsNeitherReadNorWritten() {
        // The sync folder itself may be a link; a class folder inside it may not.
        const QString outside = m_dir.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(QFile::link(outside, folder() + QStringLiteral("/PositionGroup")));
        b.reset();
        QVERIFY(QFile::link(folder(), m_dir.filePath(QStringLiteral("linked"))));
        b = std::make_unique<SyncPeerProcess>(m_dir.filePath(QStringLiteral("b")),
                                              m_dir.filePath(QStringLiteral("linked")));
        QVERIFY(b->isReady());
        const QString id = a->one(QStringLiteral("create Work"));
        QVERIFY(a->one(QStringLiteral("sync")).contains(QLatin1String("not followed")));
        QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        b->ask(QStringLiteral("sync"));
        QCOMPARE(b->show(id), QStringLiteral("Work||org.example.Editor,org.example.Terminal|"));
    }

    void conflictCopiesAreMergedAndRemoved_data() {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("Syncthing") << ".sync-conflict-20261207-101500-ABCDEFG.json";
        QTest::newRow("Nextcloud") << " (conflicted copy 2026-12-07 101500).json";
        QTest::newRow("Dropbox") << " (Alice's conflicted copy 2026-12-07).json";
    }
    void conflictCopiesAreMergedAndRemoved() {
        QFETCH(QString, suffix);
        const QString id = shareOne();
        const QString main = folder() + QStringLiteral("/ConfigurationGroup/") + id + QStringLiteral(".json");
        const QString copy = folder() + QStringLiteral("/ConfigurationGroup/") + id + suffix;
        const QString before = m_dir.filePath(QStringLiteral("before.json"));
        QVERIFY(QFile::copy(main, before));
        a->ask(QStringLiteral("rename %1 FromA").arg(id));
        // The service kept the other version in the file; A's change survives only in the copy.
        QVERIFY(QFile::rename(main, copy));
        QVERIFY(QFile::rename(before, main));
        b->ask(QStringLiteral("describe %1 FromB").arg(id));
        syncInTurn({b.get()});
        QCOMPARE(b->show(id),
                 QStringLiteral("FromA|FromB|org.example.Editor,org.example.Terminal|Left & Right:2"));
        QVERIFY(!QFile::exists(copy));
        syncInTurn({a.get()});
        QCOMPARE(a->show(id), b->show(id));
    }

    void pendingChangesSurviveAnImport() {
        const QString id = shareOne();
        b->ask(QStringLiteral("pending %1 Unsaved").arg(id));
        a->ask(QStringLiteral("describe %1 FromA").arg(id));
        syncInTurn({a.get(), b.get()});
        QVERIFY2(b->show(id).startsWith(QLatin1String("Unsaved|FromA|")), qPrintable(b->show(id)));
        syncInTurn({a.get()});
        QVERIFY(a->show(id).startsWith(QLatin1String("Unsaved|FromA|")));
    }

    void aThousandConfigurationsReachAnEmptyMachine() {
        QVERIFY(a->ask(QStringLiteral("createMany 1000")).isEmpty());
        syncInTurn({a.get(), b.get()});
        QCOMPARE(b->one(QStringLiteral("count")), QStringLiteral("1000"));
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "SyncTest.moc"
