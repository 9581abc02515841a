#include "PreferenceStore.h"

PreferenceStore::PreferenceStore(QObject* parent) : QObject(parent) {}

QJsonValue PreferenceStore::value(const QString& key) const {
    return m_values.value(key);
}

bool PreferenceStore::contains(const QString& key) const {
    return m_values.contains(key);
}

bool PreferenceStore::boolValue(const QString& key, bool fallback) const {
    const QJsonValue v = m_values.value(key);
    return v.isBool() ? v.toBool() : fallback;
}

QString PreferenceStore::stringValue(const QString& key, const QString& fallback) const {
    const QJsonValue v = m_values.value(key);
    return v.isString() ? v.toString() : fallback;
}

void PreferenceStore::setValue(const QString& key, const QJsonValue& value) {
    if (value.isUndefined() || value.isNull()) {
        remove(key);
        return;
    }
    if (m_values.value(key) == value && m_values.value(key).type() == value.type())
        return;
    m_values.insert(key, value);
    persist(m_values);
    Q_EMIT changed(key);
}

void PreferenceStore::remove(const QString& key) {
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    persist(m_values);
    Q_EMIT changed(key);
}

QStringList PreferenceStore::keys(const QString& prefix) const {
    QStringList result;
    for (auto it = m_values.begin(); it != m_values.end(); ++it)
        if (it.key().startsWith(prefix))
            result.append(it.key());
    return result;
}

void PreferenceStore::persist(const QJsonObject&) {}
