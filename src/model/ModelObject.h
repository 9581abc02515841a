// Base of the six stored classes: the change signal every stored object sends and the hook the
// object store watches.
#pragma once

#include "ModelObserver.h"

#include <QList>
#include <QObject>
#include <QUuid>

// The upper-case hyphenated text of an identifier, the form under which identifiers are kept as keys.
QString uuidString(const QUuid& id);
// A new random (version 4) identifier. Draws from the process's seeded generator rather than the
// kernel for each one, which keeps creating and loading thousands of objects cheap.
QUuid newUuid();

class ModelObject : public QObject {
    Q_OBJECT
public:
    // The stored classes, in schema order.
    enum class Kind {
        item,
        savedApp,
        configurationGroup,
        appConfiguration,
        positionGroup,
        appPositionMapping
    };

    virtual Kind kind() const = 0;
    // Every object this one links to: its owner links and the members of its lists.
    virtual QList<ModelObject*> relatedObjects() const = 0;

    ModelObserver* observer() const { return m_observer; }
    // Set by the object store that keeps this object; nullptr detaches it.
    void setObserver(ModelObserver* observer) { m_observer = observer; }

Q_SIGNALS:
    // After any attribute or relationship of this object changed (besides its own signal).
    void changed();
    // The object left its store for good: its deletion was saved, another writer deleted it, or a
    // rollback took back its creation. The object itself stays valid (the store keeps it).
    void deleted();

protected:
    explicit ModelObject(QObject* parent) : QObject(parent) {}

    // Stores `value` and, when it differs, sends the attribute's signal and tells the observer.
    template <class Self, class T> bool assign(T& field, const T& value, void (Self::*signal)()) {
        if (field == value)
            return false;
        willChange();
        field = value;
        Q_EMIT(static_cast<Self*>(this)->*signal)();
        didChange(ModelObserver::Change::attribute);
        return true;
    }

public:
    // Tells the observer that a change is about to be made; used by the relationship bookkeeping too.
    void willChange() {
        if (m_observer)
            m_observer->modelObjectWillChange(this);
    }
    // Sends `changed` and tells the observer; used by the relationship bookkeeping as well.
    void didChange(ModelObserver::Change change);

private:
    ModelObserver* m_observer = nullptr;
};
