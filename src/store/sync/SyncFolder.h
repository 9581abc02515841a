// The folder that a file-sync service shares between the user's machines: one subfolder per stored
// class, one JSON file per object named by its id. Quarlin never creates the folder itself: the user
// creates or shares it, and until then there is nothing to sync. Everything in it is written by other
// machines and programs: the folder itself may be a link, but nothing inside it is followed, and only
// regular files with one name are ever opened (a link or a second name could lead to the store's own
// database, whose locks a stray open and close would drop).
#pragma once

#include "SyncRecord.h"

#include <QList>
#include <QString>

#include <functional>

class SyncFolder {
public:
    enum class State {
        available,   // exists, readable and writable
        noFolder,    // not there (yet)
        readOnly,    // can be read, not written
        unavailable, // there, but cannot be read
    };

    // Named after the store's container: $XDG_DATA_HOME/quarlin/iCloud.TQ83NWX5LM.velmorix.Quarlin
    static QString defaultPath();
    explicit SyncFolder(QString path) : m_path(std::move(path)) {}
    // The machine that writes through this folder: its temporary files carry its id and process, so
    // that those a crash left behind can be told from another machine's writes still under way.
    void setWriter(QString machine) { m_writer = std::move(machine); }
    // Called with "temporaryWritten" once a file's temporary file is written, before its rename; tests
    // stop the process there.
    using Checkpoint = std::function<void(const char* point)>;
    void setCheckpoint(Checkpoint checkpoint) { m_checkpoint = std::move(checkpoint); }
    // Tests run as root, whom permissions do not stop: a path this returns true for is refused as
    // "Permission denied", as for any other user.
    using Denied = std::function<bool(const QString& path)>;
    void setDenied(Denied denied) { m_denied = std::move(denied); }

    const QString& path() const { return m_path; }
    State state() const;

    // What identifies one version of a file: a rename over it or a rewrite changes it.
    struct Signature {
        qint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0; // nanoseconds
        bool operator==(const Signature& other) const = default;
    };
    struct Entry {
        QString path;
        QString name;
        QString id;
        // A copy that a sync service left beside the object's file after a conflict.
        bool conflictCopy = false;
        Signature signature;
        // Type and permissions: a file refused for them is read again once they change.
        quint32 mode = 0;
    };
    // A name in a class folder that is never read, and why.
    struct Refused {
        QString path;
        QString why;
        Signature signature;
        quint32 mode = 0;
        // The class's subfolder itself, which could not be opened: what it holds is unknown.
        bool unlisted = false;
    };
    // The object files and conflict copies of one class. Hidden and temporary files are passed over,
    // and this writer's own temporary files that a crash left behind are removed; other names, links
    // and anything but a regular file land in `refused`, and so does the subfolder itself when it is a
    // link or cannot be opened (permissions, a failing disk). False when something else than a folder
    // stands in its place, or when it cannot be opened and there is no `refused`.
    bool list(ModelObject::Kind kind, QList<Entry>* entries, QList<Refused>* refused, QString* error) const;

    QString fileFor(ModelObject::Kind kind, const QString& id) const;
    // Writes through a hidden temporary file in the same folder and a rename, so that a reader (or a
    // sync service) never sees half a file. Creates the class's subfolder when needed.
    bool write(ModelObject::Kind kind, const QString& id, const QByteArray& data, Signature* written,
               QString* error);
    // Reads one listed file; false, with the reason, for anything but a small regular file with one name.
    bool read(ModelObject::Kind kind, const Entry& file, QByteArray* data, QString* error) const;
    // The same, for many files of one class: the class's subfolder opened once (openClassFolder, then
    // ::close), each file read from it.
    int openClassFolder(ModelObject::Kind kind) const { return openClassFolder(kind, false); }
    bool readIn(int classFolder, const Entry& file, QByteArray* data, QString* error) const;
    void remove(ModelObject::Kind kind, const Entry& file) const;
    // The signature of the name itself, never of what a link points at.
    static std::optional<Signature> signatureOf(const QString& path);

    // The same rules for any folder kept inside the sync folder (`root`), opened from its descriptor:
    // the subfolder `name` opened without following a link (created when `create` and missing; -1
    // with errno set when it cannot be), and one file in it read or written.
    static int openSubfolder(const QString& root, const QString& name, bool create);
    static bool readFileIn(int folder, const QString& name, qint64 largest, QByteArray* data, QString* error);
    // The temporary file is named `.<name>.<writer>.<process id>.<random>.tmp` (hidden, never read).
    static bool writeFileIn(int folder, const QString& name, const QByteArray& data, Signature* written,
                            QString* error, const QString& writer = {}, const Checkpoint& checkpoint = {});
    // Whether `name` is a temporary file of `writer` whose process has ended: what a crash left.
    static bool isStaleTemporary(const QString& name, const QString& writer);
    // Why a file or subfolder cannot be opened, as a console reason.
    static QString folderError(const QString& folder, int error);

private:
    // The class's subfolder, opened without following a link; -1 with errno set when it cannot be.
    int openClassFolder(ModelObject::Kind kind, bool create) const;

    QString m_path;
    QString m_writer;
    Checkpoint m_checkpoint;
    Denied m_denied;
};
