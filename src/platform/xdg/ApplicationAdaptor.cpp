#include "ApplicationAdaptor.h"

ApplicationAdaptor::ApplicationAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}

void ApplicationAdaptor::Activate(const QVariantMap&) {
    Q_EMIT activated();
}

void ApplicationAdaptor::Open(const QStringList&, const QVariantMap&) {
    Q_EMIT activated();
}

void ApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {
    Q_EMIT activated();
}
