// A timestamp-only class that the schema registers and nothing in the program creates.
#pragma once

#include "ModelObject.h"

#include <QDateTime>

class Item : public ModelObject {
    Q_OBJECT
public:
    explicit Item(QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::item;
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override { return {}; }

    QDateTime timestamp() const { return m_timestamp; }
    void setTimestamp(const QDateTime& timestamp) { assign(m_timestamp, timestamp, &Item::timestampChanged); }

Q_SIGNALS:
    void timestampChanged();

private:
    QDateTime m_timestamp;
};
