// One running copy per user session. The first copy owns the program's id as a name on the session
// bus and answers org.freedesktop.Application.Activate there; a later copy calls Activate and ends.
// Every copy also takes a lock in the user's runtime folder, with a local socket beside it that carries
// the activation, so that copies meet without a session bus too (and when only one of them has one).
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QDBusConnection;
class QLocalServer;
class QLockFile;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,      // this copy runs; activateRequested() reports later starts
        handedOver, // another copy runs and was asked to come forward: end this one
        failed,     // another copy runs but did not answer; message() says why
    };

    // applicationId: the desktop entry id, a valid bus name ("io.github.quarlin").
    explicit SingleInstance(const QString& applicationId, QObject* parent = nullptr);
    ~SingleInstance() override;

    Claim claim();
    // What claim() found, for the console.
    QString message() const { return m_message; }
    // The object path of the application on the bus: "/io/github/quarlin".
    static QString objectPath(const QString& applicationId);
    QString lockPath() const;
    QString socketPath() const;

Q_SIGNALS:
    // Another copy was started, or a launcher activated the program.
    void activateRequested();

private:
    Claim activateOverBus(QDBusConnection& bus);
    Claim activateOverSocket();

    QString m_id;
    QString m_message;
    bool m_ownsBusName = false;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
