// The folder that a file-sync service shares between the user's machines: one subfolder per stored
// class, one JSON file per object named by its id. Quarlin never creates the folder itself: the user
// creates or shares it, and until then there is nothing to sync.
#pragma once

#include "SyncRecord.h"

#include <QList>
#include <QString>

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
        QString id;
        // A copy that a sync service left beside the object's file after a conflict.
        bool conflictCopy = false;
        Signature signature;
    };
    // The object files and conflict copies of one class. Hidden and temporary files are passed over;
    // other names land in `foreign`. False when the subfolder exists but cannot be read.
    bool list(ModelObject::Kind kind, QList<Entry>* entries, QStringList* foreign, QString* error) const;

    QString fileFor(ModelObject::Kind kind, const QString& id) const;
    // Writes through a hidden temporary file in the same folder and a rename, so that a reader (or a
    // sync service) never sees half a file. Creates the class's subfolder when needed.
    bool write(ModelObject::Kind kind, const QString& id, const QByteArray& data, Signature* written,
               QString* error);
    static bool read(const QString& path, QByteArray* data, QString* error);
    static std::optional<Signature> signatureOf(const QString& path);

private:
    QString m_path;
};
