#include "ModelObject.h"

QString uuidString(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

void ModelObject::didChange(ModelObserver::Change change) {
    Q_EMIT changed();
    if (m_observer)
        m_observer->modelObjectDidChange(this, change);
}
