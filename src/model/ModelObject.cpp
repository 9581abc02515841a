#include "ModelObject.h"

#include <QRandomGenerator>

QString uuidString(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QUuid newUuid() {
    quint64 words[2];
    QRandomGenerator::global()->fillRange(words);
    QByteArray bytes(reinterpret_cast<const char*>(words), sizeof words);
    bytes[6] = char((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = char((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return QUuid::fromRfc4122(bytes);
}

void ModelObject::didChange(ModelObserver::Change change) {
    Q_EMIT changed();
    if (m_observer)
        m_observer->modelObjectDidChange(this, change);
}
