// The user's preferences: typed values (Boolean, number, string) by key, kept apart from an
// absent key. This base keeps them in memory; JsonPreferenceStore also keeps them in a file.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QStringList>

class PreferenceStore : public QObject {
    Q_OBJECT
public:
    explicit PreferenceStore(QObject* parent = nullptr);

    // Undefined when the key is absent.
    QJsonValue value(const QString& key) const;
    bool contains(const QString& key) const;
    // The stored Boolean, or the fallback when the key is absent or holds another type.
    bool boolValue(const QString& key, bool fallback) const;
    // The stored string, or the fallback when the key is absent or holds another type.
    QString stringValue(const QString& key, const QString& fallback) const;

    // Stores a Boolean, number or string; an undefined or null value removes the key.
    void setValue(const QString& key, const QJsonValue& value);
    void remove(const QString& key);
    QStringList keys(const QString& prefix = {}) const;

Q_SIGNALS:
    // After a key was written or removed, only when its stored value changed.
    void changed(const QString& key);

protected:
    // Called after every change with the whole set of values.
    virtual void persist(const QJsonObject& values);
    // For subclasses that load stored values; sends no signal.
    void replaceAll(const QJsonObject& values) { m_values = values; }

private:
    QJsonObject m_values;
};
