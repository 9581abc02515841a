// An editor's own copy of one configuration, kept apart from the main context until it is committed.
//
// Opening a scope copies the configuration, its applications, its position groups and their
// mappings into draft objects that no context holds. The editor reads and changes only the drafts,
// with the ordinary model operations (setters, setConfigurations, addPositionGroup, setPosition,
// appendConfiguration, taking a child out of its owner's list, ...). Because no context observes the
// drafts, no save of the context (the automatic save, the save before reading another writer's
// changes, a rename elsewhere, an activation's time stamp) can write them, and reading another
// writer's changes never touches them.
//
//   commit()   applies the drafts to the live objects: the attributes the user changed (others keep
//              what the live object holds, such as an activation's time stamp), list membership and order,
//              applications and groups added (new live objects with the drafts' identifiers) and
//              removed (deleted from the context), and the links of applications to saved
//              applications; then saves exactly those objects in one transaction. Other pending
//              changes of the context stay pending. On success the scope closes. On a failure the
//              live objects are put back as they were, the scope stays open with its drafts, and the
//              error says why.
//   discard()  drops the drafts; the live objects were never touched.
//
// When the configuration is deleted, by this program (once the deletion is saved) or by another
// writer, the scope sends configurationDeleted(); from then on commit() fails and never writes the
// configuration back. A child the scope knows that another writer deleted meanwhile is written again
// as a new object if the draft still holds it; children another writer added meanwhile are kept,
// after the draft's own.
//
// Draft applications never link to a live SavedApp themselves (that would change the live saved
// application); use savedApp()/setSavedApp() for that link.
//
// Main thread only, like every model object. Pointers to drafts are valid until the scope closes
// (commit succeeded, discard, or the scope is destroyed); do not close a scope from inside a signal
// sent by one of its drafts.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>

class AppConfiguration;
class ConfigurationGroup;
class ModelContext;
class ModelObject;
class SavedApp;

class EditScope : public QObject {
    Q_OBJECT
public:
    // Opens a scope over a configuration that a context holds. A configuration that no context holds
    // (or that is deleted) gives a closed scope.
    explicit EditScope(ConfigurationGroup* original, QObject* parent = nullptr);
    // Discards the scope when it is still open.
    ~EditScope() override;

    bool isOpen() const { return m_draft != nullptr; }
    // The draft to edit; nullptr once the scope is closed.
    ConfigurationGroup* configuration() const { return m_draft; }
    // The live configuration in the context (stays valid for the context's life, even when deleted).
    ConfigurationGroup* original() const { return m_original; }
    ModelContext* context() const { return m_context; }
    // The live object a draft stands for; nullptr for a draft made in the scope.
    ModelObject* originalOf(const ModelObject* draft) const { return m_liveOf.value(draft); }
    // Whether the configuration was deleted (here or by another writer) since the scope opened.
    bool isConfigurationDeleted() const { return m_configurationDeleted; }

    // The saved application a draft application is linked to; commit() writes the link.
    SavedApp* savedApp(const AppConfiguration* draftApp) const;
    void setSavedApp(const AppConfiguration* draftApp, SavedApp* app);

    // See above. False with `error` when the scope is closed, the configuration was deleted, or the
    // database refused the transaction.
    bool commit(QString* error = nullptr);
    // Renames at once, on its own: the draft and the live configuration get `name`, and only the
    // configuration's row is written (none of the scope's other edits, none of the context's other
    // pending changes). On a failure the live name is put back and the draft keeps the new one, so a
    // later commit() writes it. The scope stays open either way.
    bool commitName(const QString& name, QString* error = nullptr);
    // Closes the scope without writing anything.
    void discard();

Q_SIGNALS:
    // The configuration was deleted, by this program or by another writer; the scope stays open
    // until its user discards it (commit() now fails).
    void configurationDeleted();

private:
    bool checkWritable(QString* error) const;
    void apply(QList<ModelObject*>& touched);
    ModelObject* liveFor(ModelObject* draft);
    template <class T> T* draftOf(T* original);

    ModelContext* m_context = nullptr;
    ConfigurationGroup* m_original = nullptr;
    ConfigurationGroup* m_draft = nullptr;
    QHash<const ModelObject*, ModelObject*> m_liveOf;
    QHash<const ModelObject*, std::shared_ptr<ModelObject>> m_base;
    QSet<ModelObject*> m_known;
    QHash<const AppConfiguration*, QPointer<SavedApp>> m_savedAppOf;
    bool m_configurationDeleted = false;
};
