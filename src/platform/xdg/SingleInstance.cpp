#include "SingleInstance.h"

#include "ApplicationAdaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {
constexpr int answerTimeoutMs = 5000;
const QString interfaceName = QStringLiteral("org.freedesktop.Application");
} // namespace

SingleInstance::SingleInstance(const QString& applicationId, QObject* parent)
    : QObject(parent), m_id(applicationId) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
    if (m_ownsBusName)
        QDBusConnection::sessionBus().unregisterService(m_id);
}

QString SingleInstance::objectPath(const QString& applicationId) {
    QString path = QLatin1Char('/') + applicationId;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

QString SingleInstance::lockPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') + m_id +
           QStringLiteral(".lock");
}

QString SingleInstance::socketPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') + m_id +
           QStringLiteral(".socket");
}

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        // Exported before the name is taken, so that no early call finds nobody at home.
        auto* adaptor = new ApplicationAdaptor(this);
        connect(adaptor, &ApplicationAdaptor::activated, this, &SingleInstance::activateRequested);
        bus.registerObject(objectPath(m_id), this, QDBusConnection::ExportAdaptors);
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus.interface()->registerService(m_id, QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
            return activateOverBus(bus);
        m_ownsBusName = true;
    }

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(lockPath());
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return activateOverSocket();
        // An unusable runtime folder must not keep the program from running.
        m_message = QStringLiteral("Could not take the lock %1; not checking for another running copy")
                        .arg(lockPath());
        return Claim::first;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath());
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            // Whatever the peer sends, its connecting is the request.
            Q_EMIT activateRequested();
        }
    });
    if (!m_server->listen(socketPath()))
        m_message = QStringLiteral("Could not listen on %1: %2").arg(socketPath(), m_server->errorString());
    return Claim::first;
}

SingleInstance::Claim SingleInstance::activateOverBus(QDBusConnection& bus) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_id, objectPath(m_id), interfaceName, QStringLiteral("Activate"));
    call << QVariantMap();
    const QDBusMessage answer = bus.call(call, QDBus::Block, answerTimeoutMs);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        m_message = QStringLiteral("Quarlin is already running but did not answer on the session bus: %1")
                        .arg(answer.errorMessage());
        return Claim::failed;
    }
    m_message = QStringLiteral("Quarlin is already running: brought it forward");
    return Claim::handedOver;
}

SingleInstance::Claim SingleInstance::activateOverSocket() {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(answerTimeoutMs)) {
        m_message = QStringLiteral("Quarlin is already running (%1) but did not answer at %2: %3")
                        .arg(lockPath(), socketPath(), socket.errorString());
        return Claim::failed;
    }
    socket.write("activate\n");
    socket.waitForBytesWritten(answerTimeoutMs);
    socket.disconnectFromServer();
    m_message = QStringLiteral("Quarlin is already running: brought it forward");
    return Claim::handedOver;
}
