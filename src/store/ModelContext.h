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
//
// An editor keeps its edits outside the context until the user saves them: see EditScope (and
// docs/edit-scopes.md for how saves, scopes and rollbacks behave together).
#pragma once

#include "StoreChanges.h"

#include "model/ModelObject.h"
#include "model/ModelObserver.h"

#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

class AppConfiguration;
class AppPositionMapping;
class ChangeTracker;
class ConfigurationGroup;
class Database;
class Item;
class PositionGroup;
class RemoteRefresh;
class SavedApp;
class Scheduler;
class StoreReader;
class StoreTables;
class StoreWriter;

class ModelContext : public QObject, private ModelObserver {
    Q_OBJECT
public:
    // Seconds between the first of a burst of changes and the automatic save that writes them all.
    static constexpr double autosaveDelay = 1.0;
    // Seconds after a failed automatic save at which it is tried again, change or no change.
    static constexpr double autosaveRetryInterval = 30.0;

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
    // changes stay, and `error` says why; rollback() then takes them back if the caller wants.
    bool save(QString* error = nullptr);
    // Writes the pending changes of these objects only, in one transaction, and leaves every other
    // change pending. A configuration brings its applications and position groups, a position group
    // its mappings; a child taken out of its owner's list is written only when listed itself (or
    // deleted with deleteObject and listed). A new child whose owner is not stored yet waits for it.
    bool save(const QList<ModelObject*>& only, QString* error = nullptr);
    // Writes the object and everything it owns at the next save, as they are. A row that another
    // writer deleted meanwhile is written again, as by any save of an edit of that object.
    void rewrite(ModelObject* root);
    // The members of the object's owned lists: a configuration's applications and position groups,
    // a position group's mappings.
    static QList<ModelObject*> ownedChildren(const ModelObject* object);
    // What ownedChildren gave before the object's first change since the last save (or since it was
    // read in): the order the user changed. Nothing where it has not changed since, or is new.
    std::optional<QList<ModelObject*>> ownedChildrenBefore(const ModelObject* object) const;
    // Takes back every change made since the last save: attributes and lists (their order too) get
    // their saved values again, objects inserted since are dropped (they send `deleted`), objects
    // deleted since come back. Afterwards nothing is pending. It takes back every pending change,
    // not only those of a failed partial save; what a save already wrote stays.
    void rollback();

    bool autosaveEnabled() const { return m_autosaveEnabled; }
    void setAutosaveEnabled(bool enabled) { m_autosaveEnabled = enabled; }

    // Looks whether another connection committed to the database since the last look; if so, saves
    // what is pending here, reads the database again into the live objects and sends remoteChange.
    // The file watcher calls this; tests may call it directly.
    void checkForRemoteChanges();
    // While another connection of this program writes a commit that refresh() then reads in, a look
    // would read the whole database at the first file event: looks wait until the hold ends, and a
    // look that waited is made then.
    void holdRemoteChecks(bool held);

    // Reads in what another connection of this program just committed (only those rows when it can
    // tell that nothing else was committed meanwhile, else the whole database, as above) and sends
    // remoteChange. In slices, the rows are read a few per turn while the live objects stay as they
    // were, then applied all in one turn, so that no list ever shows part of the commit. A save here
    // or another commit meanwhile makes it read the whole database instead, so nothing is lost.
    void refresh(const StoreChanges& changes, bool inSlices);
    bool isRefreshing() const;
    // Whether the live objects are being changed to show what the database holds (a refresh applied,
    // the whole database read): their changes now are no edits made here.
    bool isApplyingStore() const;
    // Ends a refresh in slices now.
    void finishRefresh();
    // Rows read per turn by a refresh in slices.
    static constexpr int refreshSlice = 1000;

    // Seconds after the last change of the database files at which the database is looked at once
    // more: the file event can come before the other writer's commit is visible.
    static constexpr double recheckDelay = 0.1;
    // Seconds between two looks at the database when no file event comes at all.
    static constexpr double periodicCheckInterval = 2.0;

Q_SIGNALS:
    // Another connection or process changed the database; the live objects already show the change.
    void remoteChange();
    // After every save that wrote something (automatic, partial and edit-scope commits included).
    void didSave();
    // Sent with the object's own ModelObject::deleted(): the object left the store for good.
    void objectDeleted(ModelObject* object);
    // deleteObject() was called for it: deleted in this program, not by another writer; the deletion
    // is saved later (or taken back).
    void deletedHere(ModelObject* object);
    // A save of its own (the automatic one, or the one before reading remote changes) failed, the
    // first time since everything pending was last written: the changes are in memory only until a
    // later save succeeds. Once per run of failures, not once per attempt.
    void saveFailed(const QString& error);

private:
    friend class ModelContainer;
    friend class EditScope;
    friend class RemoteRefresh;
    friend class StoreReader;
    friend class StoreWriter;

    ModelContext(Database& database, Scheduler& scheduler, QObject* parent = nullptr);
    // Reads the whole database into live objects, reconciling with those already held.
    bool load(QString* error);
    void watch();
    // Forgets a refresh under way, saves what is pending, reads the whole database again and sends
    // remoteChange.
    void reloadAll();

    void modelObjectWillChange(ModelObject* object) override;
    void modelObjectDidChange(ModelObject* object, Change change) override;

    bool write(const QSet<const ModelObject*>* only, QString* error);
    void announceDeleted(const QList<ModelObject*>& objects);
    // A group of changes that can be taken back on its own, leaving what was pending before as it was.
    void beginChangeSet();
    void revertChangeSet();
    void endChangeSet();

    void adopt(ModelObject* root);
    bool isStorable(const ModelObject* object) const;
    void scheduleAutosave(double delay = autosaveDelay);
    void autosave();
    // Signals the first failure of a run.
    void reportSaveFailure(const QString& error);

    Database& m_database;
    Scheduler& m_scheduler;
    std::unique_ptr<ChangeTracker> m_tracker;
    std::unique_ptr<StoreTables> m_tables;
    std::unique_ptr<StoreWriter> m_writer;
    std::unique_ptr<StoreReader> m_reader;
    std::unique_ptr<RemoteRefresh> m_remoteRefresh;
    QString m_lastRemoteFailure;
    QString m_lastAutosaveFailure;
    bool m_saveFailing = false;
    bool m_autosaveEnabled = true;
    bool m_autosaveScheduled = false;
    qint64 m_dataVersion = 0;
    QObject* m_watcher = nullptr;
    quint64 m_saves = 0;
    // Between dropping what the live objects show and reading the whole database in.
    bool m_reloading = false;
};

extern template QList<ConfigurationGroup*> ModelContext::fetch<ConfigurationGroup>();
extern template QList<SavedApp*> ModelContext::fetch<SavedApp>();
extern template QList<Item*> ModelContext::fetch<Item>();
extern template QList<AppConfiguration*> ModelContext::fetch<AppConfiguration>();
extern template QList<PositionGroup*> ModelContext::fetch<PositionGroup>();
extern template QList<AppPositionMapping*> ModelContext::fetch<AppPositionMapping>();
