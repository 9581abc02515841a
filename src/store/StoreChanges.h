// The rows one commit of another connection of this program wrote and deleted, by class (indexed by
// ModelObject::Kind), so that the main context reads in just those rather than the whole database.
// Deleting an owner's row deletes what it owns with it; those rows are not listed.
#pragma once

#include <QList>

#include <array>
#include <functional>

class StoreChanges {
public:
    std::array<QList<qint64>, 6> written;
    std::array<QList<qint64>, 6> removed;
    // Asked once the main connection has seen the commit: whether no other commit (another process,
    // a save of the main context) came since that connection last read the database. Without it, or
    // when it says no, the whole database is read again.
    std::function<bool()> onlyThisCommit;

    bool isEmpty() const {
        for (size_t i = 0; i < written.size(); ++i)
            if (!written[i].isEmpty() || !removed[i].isEmpty())
                return false;
        return true;
    }
};
