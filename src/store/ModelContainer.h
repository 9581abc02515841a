// The object store of one run: one SQLite database file holding the six stored classes at schema
// version 1.0.0, and the main context through which everything reads and changes them.
#pragma once

#include "ModelContext.h"

#include <QObject>
#include <QString>

#include <memory>

class Database;
class Scheduler;

class ModelContainer : public QObject {
    Q_OBJECT
public:
    // $XDG_DATA_HOME/quarlin/quarlin.sqlite (~/.local/share/quarlin/ by default).
    static QString defaultPath();
    // The line the program prints before it stops when the store cannot be opened.
    static QString failureMessage(const QString& error);
    // Why the store failed when its folder cannot be written; `open` says so rather than what followed.
    static QString unwritableFolderReason(const QString& folder);
    // Why the store failed when its disk had no room left: at the end of the reason `open` gives.
    static QString diskFullReason();

    // Opens the database at `path`, creating it (and its folder) when absent, and reads it into the main
    // context. On a failure: nothing, with `error` saying why. A file that cannot be opened as our
    // database (damaged, another program's, a newer version) is reported and never written, moved or
    // replaced; a file this call created is removed again when it fails.
    static std::unique_ptr<ModelContainer> open(const QString& path, Scheduler& scheduler, QString* error);
    // A store that lives in memory only, for tests of the layers above.
    static std::unique_ptr<ModelContainer> inMemory(Scheduler& scheduler);
    // Writes what is still pending before the connection closes.
    ~ModelContainer() override;

    QString path() const;
    // The one context; lives as long as the container.
    ModelContext* mainContext() const { return m_context; }

private:
    explicit ModelContainer(std::unique_ptr<Database> database);
    static std::unique_ptr<ModelContainer> finish(std::unique_ptr<Database> database, Scheduler& scheduler,
                                                  bool watch, QString* error);

    std::unique_ptr<Database> m_database;
    ModelContext* m_context = nullptr;
};
