// What a peer's files may carry into this machine: names of any length and file names with control
// characters, which must neither spread nor reach the terminal as they are.
#include "SyncMachine.h"

#include "base/LogCapture.h"
#include "platform/sim/VirtualScheduler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

class SyncInputTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;
    std::optional<Machine> a, b;
    QString m_id;

    QString classFolder() const { return m_dir.filePath(QStringLiteral("shared/ConfigurationGroup/")); }
    QString fileOf(const QString& id) const { return classFolder() + id + QStringLiteral(".json"); }
    static void importOn(Machine& machine) {
        QString error;
        QVERIFY2(machine.engine->importChanges(&error), qPrintable(error));
    }
    // A peer renames the configuration by rewriting its file, stamped after every change so far.
    void renameInFolder(const QString& name) {
        QFile file(fileOf(m_id));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
        QJsonObject attributes = record.value(QStringLiteral("attributes")).toObject();
        attributes.insert(QStringLiteral("name"), name);
        record.insert(QStringLiteral("attributes"), attributes);
        const QString previous = record.value(QStringLiteral("stamp")).toString();
        const QString stamp = QStringLiteral("%1-000000-%2")
                                  .arg(previous.section(u'-', 0, 0).toLongLong() + 1000)
                                  .arg(previous.section(u'-', 2));
        QJsonObject stamps = record.value(QStringLiteral("stamps")).toObject();
        stamps.insert(QStringLiteral("name"), stamp);
        record.insert(QStringLiteral("stamps"), stamps);
        record.insert(QStringLiteral("stamp"), stamp);
        file.resize(0);
        file.write(QJsonDocument(record).toJson());
    }

private Q_SLOTS:
    // Both machines hold "Work", made on A.
    void init() {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        const QString folder = m_dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        a.emplace(m_dir.filePath(QStringLiteral("a")), folder, m_scheduler, false);
        b.emplace(m_dir.filePath(QStringLiteral("b")), folder, m_scheduler, false);
        auto* configuration = new ConfigurationGroup(QStringLiteral("Work"), 1920, 1080, std::nullopt);
        a->context()->insert(configuration);
        QVERIFY(a->context()->save());
        m_id = uuidString(configuration->id());
        importOn(*a);
        importOn(*b);
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Work"));
    }
    void cleanup() {
        a.reset();
        b.reset();
    }

    void aNameBeyondAThousandCharactersIsSkipped() {
        renameInFolder(QString(1001, u'n'));
        LogCapture log;
        importOn(*b);
        QCOMPARE(b->nameOf(m_id), QStringLiteral("Work"));
        QCOMPARE(log.lines().filter(m_id).filter(QStringLiteral("name longer than 1000 characters")).size(),
                 1);

        const QString longest = QString(1000, u'n');
        renameInFolder(longest);
        importOn(*b);
        QCOMPARE(b->nameOf(m_id), longest);
    }

    // A file name from the folder is shown on one line, its control characters as escapes.
    void aFileNameCannotSplitALineNorCommandTheTerminal() {
        const QString name = QStringLiteral("notes\n\x1b[2J.txt");
        QVERIFY(QFile::copy(fileOf(m_id), classFolder() + name));
        LogCapture log;
        importOn(*b);
        const QStringList skipped = log.lines().filter(QStringLiteral("skipped"));
        QCOMPARE(skipped.size(), 1);
        QVERIFY2(skipped.first().contains(QStringLiteral("/notes\\n\\x1b[2J.txt: ")),
                 qPrintable(skipped.first()));
    }
};

QTEST_GUILESS_MAIN(SyncInputTest)
#include "SyncInputTest.moc"
