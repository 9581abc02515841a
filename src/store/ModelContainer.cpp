#include "ModelContainer.h"

#include "Database.h"
#include "StoreSchema.h"

#include "base/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

QString ModelContainer::defaultPath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/quarlin/quarlin.sqlite");
}

QString ModelContainer::failureMessage(const QString& error) {
    return QStringLiteral("Could not create ModelContainer: ") + error;
}

QString ModelContainer::unwritableFolderReason(const QString& folder) {
    return QStringLiteral("the folder %1 cannot be written").arg(folder);
}

QString ModelContainer::diskFullReason() {
    return QStringLiteral("the disk is full");
}

ModelContainer::ModelContainer(std::unique_ptr<Database> database) : m_database(std::move(database)) {}

ModelContainer::~ModelContainer() {
    if (m_context && m_context->hasChanges()) {
        QString error;
        if (!m_context->save(&error))
            logWarning(lcStore,
                       QStringLiteral("❌ Failed to save changes before closing the store: ") + error);
    }
    // The context's statements must be finished before the connection closes.
    delete m_context;
    m_context = nullptr;
}

QString ModelContainer::path() const {
    return m_database->path();
}

std::unique_ptr<ModelContainer> ModelContainer::open(const QString& path, Scheduler& scheduler,
                                                     QString* error) {
    QString message;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return fail(QStringLiteral("%1 is not a file").arg(path));
    const bool created = !file.exists();
    const QString folder = file.absolutePath();
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), made);
    if (made)
        return fail(
            QStringLiteral("Could not create the folder %1").arg(folder) +
            (made == std::errc::no_space_on_device ? QStringLiteral(": ") + diskFullReason() : QString()));
    std::unique_ptr<Database> database = Database::open(path, true, &message);
    // The journal lives beside the file; whatever failed then, replacing the file would not help. A
    // file this attempt made goes again: the next start would take it for the user's.
    const auto failOpening = [&](const QString& why) {
        const bool full = database && database->hasFoundTheDiskFull();
        if (created) {
            database.reset();
            for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                QFile::remove(path + QLatin1String(suffix));
        }
        if (full)
            return fail(QStringLiteral("%1: %2").arg(path, diskFullReason()));
        return fail(QFileInfo(folder).isWritable()
                        ? why
                        : QStringLiteral("%1: %2").arg(path, unwritableFolderReason(folder)));
    };
    if (!database)
        return failOpening(QStringLiteral("%1: %2").arg(path, message));
    bool isEmpty = false;
    // Only reads until the file is known to be ours.
    if (!StoreSchema::inspect(*database, &isEmpty, &message))
        return failOpening(message.startsWith(path) ? message : QStringLiteral("%1: %2").arg(path, message));
    // Changes could never be saved; better to say so now than to lose them later.
    if (database->isReadOnly())
        return failOpening(QStringLiteral("%1: the file is read-only").arg(path));

    const std::optional<QString> journal =
        database->queryText(QStringLiteral("PRAGMA journal_mode = WAL"), &message);
    if (!journal || journal->compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
        return failOpening(QStringLiteral("%1: %2").arg(
            path, journal ? QStringLiteral("cannot use a write-ahead log") : message));
    if (!database->execute(QStringLiteral("PRAGMA synchronous = FULL; PRAGMA busy_timeout = 2000"), &message))
        return failOpening(QStringLiteral("%1: %2").arg(path, message));
    if (isEmpty ? !StoreSchema::create(*database, &message) : !StoreSchema::upgrade(*database, &message))
        return failOpening(QStringLiteral("%1: %2").arg(path, message));
    std::unique_ptr<ModelContainer> container = finish(std::move(database), scheduler, true, &message);
    if (!container)
        return failOpening(QStringLiteral("%1: %2").arg(path, message));
    return container;
}

std::unique_ptr<ModelContainer> ModelContainer::inMemory(Scheduler& scheduler) {
    QString error;
    std::unique_ptr<Database> database = Database::open(QStringLiteral(":memory:"), true, &error);
    if (!database || !StoreSchema::create(*database, &error))
        qFatal("Could not create an in-memory store: %s", qPrintable(error));
    std::unique_ptr<ModelContainer> container = finish(std::move(database), scheduler, false, &error);
    if (!container)
        qFatal("Could not create an in-memory store: %s", qPrintable(error));
    return container;
}

std::unique_ptr<ModelContainer> ModelContainer::finish(std::unique_ptr<Database> database,
                                                       Scheduler& scheduler, bool watch, QString* error) {
    // The store's delete rules are foreign keys, for every writer: deleting an owner takes rows with it
    // that another connection wrote and this one has not read in yet, and no row names an owner that
    // is gone. Set outside any transaction, after an upgrade that sets its own.
    if (!database->execute(QStringLiteral("PRAGMA foreign_keys = ON"), error))
        return nullptr;
    std::unique_ptr<ModelContainer> container(new ModelContainer(std::move(database)));
    container->m_context = new ModelContext(*container->m_database, scheduler);
    if (!container->m_context->load(error))
        return nullptr;
    if (watch)
        container->m_context->watch();
    return container;
}
