// Tombstones packed at rest: each comes back exactly as it went in (its values from disk), the merge rules
// hold against it, and changes, undo, removal and expiry see packed and unpacked entries alike.
#include "store/sync/SyncEntries.h"
#include "model/ConfigurationGroup.h"
#include "model/ModelObject.h"
#include "store/sync/SyncSchema.h"
#include "store/sync/SyncState.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
const QString machineA = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");
const QString machineB = QStringLiteral("0B0B0B0B-0000-4000-8000-00000000000B");
const QString machineC = QStringLiteral("0C0C0C0C-0000-4000-8000-00000000000C");

SyncStateStore::Entry tombstone(const QString& id, ModelObject::Kind kind, SyncStamp stamp,
                                SyncFolder::Signature file = {}) {
    SyncStateStore::Entry entry;
    entry.record.kind = kind;
    entry.record.id = id;
    entry.record.deleted = true;
    entry.record.stamp = std::move(stamp);
    entry.file = file;
    return entry;
}

SyncStateStore::Entry object(const QString& id, SyncStamp stamp) {
    SyncStateStore::Entry entry;
    entry.record.kind = ModelObject::Kind::configurationGroup;
    entry.record.id = id;
    entry.record.stamp = stamp;
    entry.record.fields.insert(QStringLiteral("name"), QStringLiteral("Desk"));
    entry.record.stamps.insert(QStringLiteral("name"), stamp);
    entry.present = true;
    return entry;
}

// A configuration as a file holds it: every attribute, each stamped `stamp`.
SyncStateStore::Entry wholeObject(const QString& id, SyncStamp stamp) {
    SyncStateStore::Entry entry = object(id, stamp);
    ConfigurationGroup configuration(QStringLiteral("Desk"), 1920, 1080, std::nullopt);
    entry.record.fields = SyncSchema::fieldsOf(&configuration);
    for (const SyncSchema::Attribute& attribute : SyncSchema::attributes(entry.record.kind))
        entry.record.stamps.insert(attribute.name, stamp);
    return entry;
}

QString newId() {
    return uuidString(newUuid());
}
} // namespace

class SyncEntriesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void packedTombstonesComeBackAsTheyWent() {
        SyncEntries entries;
        QHash<QString, SyncStateStore::Entry> expected;
        const auto add = [&](const SyncStateStore::Entry& entry) {
            entries.insert(entry.record.id, entry);
            expected.insert(entry.record.id, entry);
        };
        // Every class, both machines, stamps at the bounds, files known and not.
        const QList<ModelObject::Kind> kinds = {
            ModelObject::Kind::savedApp, ModelObject::Kind::configurationGroup,
            ModelObject::Kind::appConfiguration, ModelObject::Kind::positionGroup,
            ModelObject::Kind::appPositionMapping};
        for (int i = 0; i < 200; ++i) {
            SyncStateStore::Entry entry =
                tombstone(newId(), kinds[i % kinds.size()],
                          {i % 7 == 0 ? SyncStamp::maxWall : 1'700'000'000'000 + i,
                           i % 5 == 0 ? SyncStamp::maxCounter : i, i % 2 ? machineA : machineB},
                          i % 3 ? SyncFolder::Signature{1000 + i, 120 + i, 1'700'000'000'000'000'000 + i}
                                : SyncFolder::Signature{});
            // What some deletions had seen, some of it from a machine that deleted nothing.
            if (i % 4 == 0)
                entry.record.seen.insert(SyncRecord::wholeObject,
                                         {1'600'000'000'000 + i, i, i % 8 ? machineC : machineA});
            add(entry);
        }
        const SyncStateStore::Entry live = object(newId(), {1'700'000'000'000, 0, machineA});
        add(live);
        // Ids not written as this program writes them stay as they are.
        add(tombstone(newId().toLower(), ModelObject::Kind::savedApp, {5, 0, machineA}));
        add(tombstone(QStringLiteral("not-an-id"), ModelObject::Kind::savedApp, {5, 0, machineA}));
        entries.pack();

        QCOMPARE(entries.packed().size(), 200);
        QCOMPARE(entries.hot().size(), 3);
        QVERIFY(!entries.hot().value(live.record.id).record.deleted);
        QHash<QString, SyncStateStore::Entry> seen;
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            QVERIFY2(!seen.contains(it.key()), qPrintable(it.key()));
            QCOMPARE(it->record.id, it.key());
            seen.insert(it.key(), *it);
        }
        QCOMPARE(seen.size(), expected.size());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QVERIFY(entries.contains(it.key()));
            const SyncStateStore::Entry back = entries.value(it.key());
            QCOMPARE(back.record, it->record);
            QCOMPARE(back.file, it->file);
            QCOMPARE(back.present, it->present);
            QCOMPARE(seen.value(it.key()).record, it->record);
        }
        QVERIFY(!entries.contains(newId()));
    }

    // A large round packs its tombstones onto those already packed (a few of which it took back or
    // dropped): every one is found afterwards, and nothing else is.
    void tombstonesPackedOntoPackedOnesAreAllFound() {
        SyncEntries entries;
        const auto addTombstones = [&](int count, qint64 wall) {
            QStringList ids;
            for (int i = 0; i < count; ++i) {
                ids.append(newId());
                entries.insert(ids.last(),
                               tombstone(ids.last(), ModelObject::Kind::savedApp, {wall + i, 0, machineA}));
            }
            entries.pack();
            return ids;
        };
        const QStringList first = addTombstones(1500, 1'000);
        const QString revived = first[10], dropped = first[20];
        entries.find(revived)->record = object(revived, {5'000, 0, machineB}).record;
        entries.remove({dropped});
        const QStringList second = addTombstones(2500, 2'000);
        QCOMPARE(entries.packed().size(), first.size() + second.size() - 2);
        QCOMPARE(entries.hot().size(), 1);

        for (const QStringList& ids : {first, second})
            for (const QString& id : ids) {
                if (id == revived || id == dropped)
                    continue;
                const auto it = entries.constFind(id);
                QVERIFY2(it != entries.constEnd() && it->record.deleted, qPrintable(id));
                QCOMPARE(it->record.id, id);
            }
        QVERIFY(!entries.value(revived).record.deleted);
        QVERIFY(!entries.contains(dropped));
        QVERIFY(!entries.contains(newId()));
    }

    // The rules read a packed tombstone as they read any: a delete wins over an older edit, loses to a
    // newer one (the tie going by machine), and the winner replaces it when packed again.
    void theMergeRulesHoldAgainstAPackedTombstone() {
        SyncEntries entries;
        const QString deleted = newId();
        const SyncStamp at{1'700'000'000'500, 3, machineB};
        entries.insert(deleted, tombstone(deleted, ModelObject::Kind::configurationGroup, at));
        entries.pack();
        QCOMPARE(entries.hot().size(), 0);

        const struct {
            SyncStamp edit;
            bool deleteWins;
        } cases[] = {
            {{at.wall - 1, 99, machineB}, true}, {{at.wall, 2, machineB}, true},
            {{at.wall, 3, machineA}, true},      {{at.wall, 4, machineA}, false},
            {{at.wall + 1, 0, machineA}, false},
        };
        for (const auto& c : cases) {
            const SyncRecord merged =
                SyncRecord::merged(entries.value(deleted).record, object(deleted, c.edit).record);
            QCOMPARE(merged.deleted, c.deleteWins);
        }
        // Looking never unpacks it.
        QCOMPARE(entries.hot().size(), 0);

        // A newer edit brings the object back: the packed tombstone must not show again.
        const SyncStamp later{at.wall + 10, 0, machineA};
        entries.find(deleted)->record = object(deleted, later).record;
        QCOMPARE(entries.hot().size(), 1);
        entries.pack();
        QCOMPARE(entries.packed().size(), 0);
        QVERIFY(!entries.value(deleted).record.deleted);
        // Deleted again: packed with its new stamp, which an older edit arriving later still loses to.
        const SyncStamp again{at.wall + 20, 0, machineB};
        entries[deleted] = tombstone(deleted, ModelObject::Kind::configurationGroup, again);
        entries.pack();
        QCOMPARE(entries.packed().size(), 1);
        QCOMPARE(entries.value(deleted).record.stamp, again);
        QVERIFY(SyncRecord::merged(entries.value(deleted).record, object(deleted, later).record).deleted);
    }

    // A failed round takes back every change, packed tombstones unpacked or removed included.
    void undoPutsBackPackedAndUnpacked() {
        SyncEntries entries;
        const QString packed = newId(), live = newId(), gone = newId(), added = newId();
        entries.insert(packed, tombstone(packed, ModelObject::Kind::savedApp, {10, 0, machineA}));
        entries.insert(gone, tombstone(gone, ModelObject::Kind::savedApp, {11, 0, machineA}));
        entries.insert(live, object(live, {12, 0, machineA}));
        entries.pack();
        const auto snapshot = [&] {
            QMap<QString, SyncRecord> records;
            for (auto it = entries.cbegin(); it != entries.cend(); ++it)
                records.insert(it.key(), it->record);
            return records;
        };
        const QMap<QString, SyncRecord> before = snapshot();

        entries.beginUndo();
        entries.find(packed)->record.stamp.wall = 99;
        entries[live].record.fields.insert(QStringLiteral("name"), QStringLiteral("Changed"));
        entries.insert(added, object(added, {13, 0, machineB}));
        entries.remove({gone});
        QVERIFY(!entries.contains(gone));
        QCOMPARE(entries.value(packed).record.stamp.wall, 99);
        entries.undo();
        QCOMPARE(snapshot(), before);

        // Kept changes stay; removal reaches the packed ones.
        entries.beginUndo();
        entries.remove({gone, live});
        entries.endUndo();
        entries.undo();
        QVERIFY(!entries.contains(gone) && !entries.contains(live));
        QVERIFY(entries.contains(packed));
    }

    // Tombstones go once older than the horizon, packed or not, and the rest outlive a restart packed.
    void packedTombstonesExpireAndOutliveARestart() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sync-state.sqlite"));
        const auto open = [&] {
            QString error;
            std::unique_ptr<SyncState> state = SyncState::open(
                path, [] { return qint64(1'700'000'000'000); }, &error);
            if (state && !state->load(&error))
                state.reset();
            return state;
        };
        std::unique_ptr<SyncState> state = open();
        QVERIFY(state);
        QStringList old, young;
        QSet<QString> all;
        for (int i = 0; i < 50; ++i) {
            const QString id = newId();
            const qint64 wall = i % 2 ? 1000 + i : 5000 + i;
            (i % 2 ? old : young).append(id);
            state->entries().insert(id, tombstone(id, ModelObject::Kind::positionGroup, {wall, 0, machineA}));
            all.insert(id);
        }
        const QString queued = old.takeLast();
        // One keeps the values it deleted: they stay on disk, and a change takes them back.
        SyncStateStore::Entry valued = wholeObject(young.first(), {5000, 0, machineA});
        valued.record.deleted = true;
        valued.record.stamp = {5001, 0, machineA};
        state->entries()[young.first()] = valued;
        QVERIFY(state->persist(all, {}, nullptr));
        state->compact();
        // One of the old ones comes back into the hash, as a round that merged it leaves it.
        state->entries().find(old.first())->file = {7, 8, 9};

        QList<QString> collected = state->collectTombstones(5000, {queued});
        std::sort(old.begin(), old.end());
        QCOMPARE(collected, QList<QString>(old));
        QVERIFY(state->forget(collected, nullptr));
        state.reset();

        state = open();
        QVERIFY(state);
        QCOMPARE(state->entries().hot().size(), 0);
        QCOMPARE(state->entries().packed().size(), young.size() + 1);
        for (const QString& id : std::as_const(young))
            QCOMPARE(state->entries().value(id).record.stamp.wall >= 5000, true);
        QVERIFY(state->entries().contains(queued));
        QVERIFY(state->collectTombstones(5000, {queued}).isEmpty());
        QCOMPARE(state->collectTombstones(6000, {}).size(), young.size() + 1);
        QVERIFY(state->entries().value(young.first()).record.fields.isEmpty());
        QCOMPARE(state->entries().find(young.first())->record, valued.record);
    }
};

QTEST_GUILESS_MAIN(SyncEntriesTest)
#include "SyncEntriesTest.moc"
