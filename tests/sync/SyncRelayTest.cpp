// The soak's file-sync service: which version of a file each copy ends with, whatever order they arrive
// in, and conflict copies that the folder reader takes as such.
#include "SyncRelay.h"

#include "model/ModelObject.h"
#include "store/sync/SyncFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Vector = SyncRelay::Vector;
using Order = SyncRelay::Order;

const QString id = QStringLiteral("5E1F0C4A-3B2D-4C11-9A7E-0123456789AB");
const QStringList devices{QStringLiteral("AAAAAAA-AAAAAAA-AAAAAAA-AAAAAAA-AAAAAAA-AAAAAAA-AAAAAAA-AAAAAAA"),
                          QStringLiteral("BBBBBBB-BBBBBBB-BBBBBBB-BBBBBBB-BBBBBBB-BBBBBBB-BBBBBBB-BBBBBBB"),
                          QStringLiteral("CCCCCCC-CCCCCCC-CCCCCCC-CCCCCCC-CCCCCCC-CCCCCCC-CCCCCCC-CCCCCCC")};
} // namespace

class SyncRelayTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QStringList m_copies;
    int m_runs = 0;

    QString path(int copy, const QString& name = id + QStringLiteral(".json")) const {
        return m_copies[copy] + QStringLiteral("/ConfigurationGroup/") + name;
    }
    void write(int copy, const QByteArray& content, qint64 modified) {
        QFile file(path(copy));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.flush();
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(modified), QFileDevice::FileModificationTime);
    }
    // What a copy holds: "content" of the file ("-" for none), then each conflict copy as
    // "~<device>=content", the device as named.
    QString state(int copy) const {
        QFile file(path(copy));
        QStringList parts{file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                         : QStringLiteral("-")};
        // One conflict may leave a copy of it in each second that a copy took it in.
        const QDir dir(m_copies[copy] + QStringLiteral("/ConfigurationGroup"));
        for (const QString& name : dir.entryList({QStringLiteral("*.sync-conflict-*")}, QDir::Files)) {
            QFile conflict(dir.filePath(name));
            if (conflict.open(QIODevice::ReadOnly))
                parts.append(QStringLiteral("~%1=%2").arg(name.section(u'-', -1).section(u'.', 0, 0),
                                                          QString::fromUtf8(conflict.readAll())));
        }
        parts.removeDuplicates();
        return parts.join(u' ');
    }

private Q_SLOTS:
    void init() {
        ++m_runs;
        m_copies.clear();
        for (int copy = 0; copy < 3; ++copy) {
            m_copies.append(m_dir.filePath(QStringLiteral("%1/copy%2").arg(m_runs).arg(copy)));
            QDir().mkpath(m_copies.last() + QStringLiteral("/ConfigurationGroup"));
        }
    }

    void versionVectorsOrder_data() {
        QTest::addColumn<Vector>("a");
        QTest::addColumn<Vector>("b");
        QTest::addColumn<Order>("order");
        const QString x = devices[0], y = devices[1];
        QTest::newRow("the same") << Vector{{x, 2}, {y, 1}} << Vector{{x, 2}, {y, 1}} << Order::equal;
        QTest::newRow("none yet") << Vector{} << Vector{{x, 1}} << Order::before;
        QTest::newRow("one more of its own") << Vector{{x, 2}} << Vector{{x, 1}} << Order::after;
        QTest::newRow("seen and changed") << Vector{{x, 1}} << Vector{{x, 1}, {y, 1}} << Order::before;
        QTest::newRow("made apart") << Vector{{x, 2}} << Vector{{x, 1}, {y, 1}} << Order::concurrent;
    }
    void versionVectorsOrder() {
        QFETCH(Vector, a);
        QFETCH(Vector, b);
        QFETCH(Order, order);
        QCOMPARE(SyncRelay::compare(a, b), order);
    }

    // Named as Syncthing names it, and read by the folder as a conflict copy of its object.
    void conflictCopyIsNamedAsSyncthingDoes() {
        const QString name =
            SyncRelay::conflictName(id + QStringLiteral(".json"),
                                    QDateTime(QDate(2026, 12, 10), QTime(20, 48, 5), Qt::UTC), devices[1]);
        QCOMPARE(name, id + QStringLiteral(".sync-conflict-20261210-204805-BBBBBBB.json"));
        QFile file(path(0, name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{}");
        file.close();
        QList<SyncFolder::Entry> entries;
        QVERIFY(
            SyncFolder(m_copies[0]).list(ModelObject::Kind::configurationGroup, &entries, nullptr, nullptr));
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].id, id);
        QVERIFY(entries[0].conflictCopy);
    }

    // Scripts of edits in three copies, then everything delivered: "w<copy> <content> <modified>" writes
    // the file, "rm<copy>" removes it, "off<copy>" and "on<copy>" take a copy off and back, "step" and
    // "flush" run the relay (delays of up to ten steps).
    void copiesEndWithTheLatestVersion_data() {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("copies");
        const auto script = [](const char* text) { return QString::fromLatin1(text).split(u';'); };
        QTest::newRow("one version") << script("w0 a 1000;flush") << QStringList{"a", "a", "a"};
        // Each is sent before the next is written; they arrive in any order.
        QTest::newRow("late and out of order")
            << script("w0 a 1000;step;w0 b 1001;step;w0 c 1002;step;w0 d 1003;step;flush")
            << QStringList{"d", "d", "d"};
        QTest::newRow("an edit of what arrived")
            << script("w0 a 1000;flush;w1 b 1001;flush;w2 c 1002;flush") << QStringList{"c", "c", "c"};
        QTest::newRow("an edit of what had not arrived yet")
            << script("w0 a 1000;flush;off2;w1 b 1001;flush;w2 c 1002;on2;flush")
            << QStringList{"c ~BBBBBBB=b", "c ~BBBBBBB=b", "c ~BBBBBBB=b"};
        QTest::newRow("made apart: the later stays")
            << script("w0 a 2000;w1 b 1000;flush")
            << QStringList{"a ~BBBBBBB=b", "a ~BBBBBBB=b", "a ~BBBBBBB=b"};
        QTest::newRow("made apart at once: the device decides")
            << script("w0 a 1000;w1 b 1000;flush")
            << QStringList{"b ~AAAAAAA=a", "b ~AAAAAAA=a", "b ~AAAAAAA=a"};
        QTest::newRow("a removal after the edit")
            << script("w0 a 1000;flush;rm1;step;flush") << QStringList{"-", "-", "-"};
        QTest::newRow("an edit made apart from a removal stays")
            << script("w0 a 1000;flush;rm1;w2 c 900;flush") << QStringList{"c", "c", "c"};
        QTest::newRow("offline: waits, then arrives")
            << script("off2;w0 a 1000;flush;w2 c 900;step;on2;flush")
            << QStringList{"a ~CCCCCCC=c", "a ~CCCCCCC=c", "a ~CCCCCCC=c"};
        QTest::newRow("offline all along")
            << script("off2;w0 a 1000;flush;w1 b 1001;flush") << QStringList{"b", "b", "-"};
    }
    void copiesEndWithTheLatestVersion() {
        QFETCH(QStringList, script);
        QFETCH(QStringList, copies);
        SyncRelay relay(m_copies, devices, 7);
        for (const QString& line : script) {
            const int copy = line.right(1).toInt();
            if (line.startsWith(u'w'))
                write(line.mid(1, 1).toInt(), line.section(u' ', 1, 1).toUtf8(),
                      line.section(u' ', 2).toLongLong());
            else if (line.startsWith(QLatin1String("rm")))
                QVERIFY(QFile::remove(path(copy)));
            else if (line.startsWith(QLatin1String("off")) || line.startsWith(QLatin1String("on")))
                relay.setOnline(copy, line.startsWith(QLatin1String("on")));
            else if (line == QLatin1String("step"))
                relay.step();
            else
                relay.flush();
        }
        for (int copy = 0; copy < 3; ++copy)
            QCOMPARE(state(copy), copies[copy]);
        // Nothing half written is left behind.
        for (const QString& copy : m_copies)
            QCOMPARE(QDir(copy + QStringLiteral("/ConfigurationGroup"))
                         .entryList({QStringLiteral(".*.tmp")}, QDir::Hidden | QDir::Files),
                     QStringList());
    }
};

QTEST_GUILESS_MAIN(SyncRelayTest)
#include "SyncRelayTest.moc"
