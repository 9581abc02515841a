// What the user sees when the data file cannot be opened: the program stops before any other window
// appears, and someone who started it from a menu would otherwise see nothing at all.
#pragma once

#include "FileProblemDialog.h"

class StoreErrorDialog : public FileProblemDialog {
    Q_OBJECT
public:
    // `message` is the store's failure line; the path and the prefix it repeats are taken out of it.
    StoreErrorDialog(const QString& path, const QString& message, QWidget* parent = nullptr);

    // The reason alone, without "Could not create ModelContainer: " and the path.
    static QString reasonIn(const QString& message, const QString& path);

private:
    // What the user can do about it: free space on the disk, mend the folder, or put another file in
    // place of this one.
    static QString advice(const QString& path, const QString& message);
};
