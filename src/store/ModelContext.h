// The one context through which the program reads and changes stored objects: it holds every stored
// object in memory, watches them for changes, and writes what changed to the database in one
// transaction, by itself shortly after a change or when asked.
//
// Ownership: the context owns every object it holds (and every object inserted into it). It hands out
// raw pointers, which stay valid for the whole life of the context, deleted objects included (they are
// only marked deleted). Never delete a model object held by the context yourself.
//
// Like every model object, the context is used on the main thread only. An application, position
// group or mapping that belongs to no stored owner when a save runs is not kept in the file.
#pragma once

#include "model/ModelObject.h"
#include "model/ModelObserver.h"

#include <QHash>
#include <QObject>

#include <array>
#include <memory>
#include <vector>

class AppConfiguration;
class AppPositionMapping;
class ConfigurationGroup;
class Database;
class Item;
class PositionGroup;
class SavedApp;
class Scheduler;
class StoreTables;

class ModelContext : public QObject, private ModelObserver {
    Q_OBJECT
public:
    // Seconds between the first of a burst of changes and the automatic save that writes them all.
    static constexpr double autosaveDelay = 1.0;

    ~ModelContext() override;

    // Every live object of one class, in no promised order.
    template <class T> QList<T*> fetch();

    // Only the roots are inserted; applications, position groups and mappings become stored by being
    // linked to a stored owner. Takes ownership of the object and of everything linked to it.
    void insert(ConfigurationGroup* configuration);
    void insert(SavedApp* app);
    void insert(Item* item);

    // Deletes the object: a configuration takes its applications and position groups (and their
    // mappings) with it; a saved application is only unlinked from applications; a child leaves its
    // owner's list.
    void deleteObject(ModelObject* object);
    bool isDeleted(const ModelObject* object) const;
    // Whether the object is held by this context and not deleted.
    bool contains(const ModelObject* object) const;
    // The context that holds the object; nullptr for an object that no context holds (never inserted,
    // or deleted).
    static ModelContext* of(const ModelObject* object);

    bool hasChanges() const;
    // Writes every pending change in one transaction. On a failure nothing is written, the pending
    // changes stay, and `error` says why.
    bool save(QString* error = nullptr);

    bool autosaveEnabled() const { return m_autosaveEnabled; }
    void setAutosaveEnabled(bool enabled) { m_autosaveEnabled = enabled; }

    // Looks whether another connection committed to the database since the last look; if so, saves
    // what is pending here, reads the database again into the live objects and sends remoteChange.
    // The file watcher calls this; tests may call it directly.
    void checkForRemoteChanges();

Q_SIGNALS:
    // Another connection or process changed the database; the live objects already show the change.
    void remoteChange();
    // After a save that wrote changes.
    void didSave();

private:
    friend class ModelContainer;

    struct Record {
        qint64 key = 0; // the row's pk; 0 while not stored
        bool dirty = false;
        bool deleted = false;
    };

    ModelContext(Database& database, Scheduler& scheduler, QObject* parent = nullptr);
    // Reads the whole database into live objects, reconciling with those already held.
    bool load(QString* error);
    void watch();

    void modelObjectDidChange(ModelObject* object, Change change) override;

    void adopt(ModelObject* root);
    void markDirty(ModelObject* object);
    void markDeleted(ModelObject* object);
    void forget(ModelObject* object);
    bool isStorable(const ModelObject* object) const;
    void scheduleAutosave();
    void autosave();
    QList<ModelObject*>& objectsOf(ModelObject::Kind kind) { return m_objects[static_cast<size_t>(kind)]; }
    QHash<qint64, ModelObject*>& keysOf(ModelObject::Kind kind) { return m_byKey[static_cast<size_t>(kind)]; }
    void compact(ModelObject::Kind kind);

    Database& m_database;
    Scheduler& m_scheduler;
    std::unique_ptr<StoreTables> m_tables;
    QHash<const ModelObject*, Record> m_records;
    std::array<QList<ModelObject*>, 6> m_objects;
    std::array<int, 6> m_deletedInObjects{};
    std::array<QHash<qint64, ModelObject*>, 6> m_byKey;
    std::array<QList<ModelObject*>, 6> m_dirty;
    std::vector<std::pair<ModelObject::Kind, qint64>> m_pendingDeletes;
    bool m_applyingStore = false;
    bool m_autosaveEnabled = true;
    bool m_autosaveScheduled = false;
    qint64 m_dataVersion = 0;
    QObject* m_watcher = nullptr;
};

extern template QList<ConfigurationGroup*> ModelContext::fetch<ConfigurationGroup>();
extern template QList<SavedApp*> ModelContext::fetch<SavedApp>();
extern template QList<Item*> ModelContext::fetch<Item>();
extern template QList<AppConfiguration*> ModelContext::fetch<AppConfiguration>();
extern template QList<PositionGroup*> ModelContext::fetch<PositionGroup>();
extern template QList<AppPositionMapping*> ModelContext::fetch<AppPositionMapping>();
