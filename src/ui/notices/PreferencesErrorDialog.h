// What the user sees when the preferences file could not be read: Quarlin goes on with the default
// settings, and this window says what failed, which file, and where the damaged copy is kept.
// Started from a menu, nobody would read the console line.
#pragma once

#include "FileProblemDialog.h"

class PreferencesErrorDialog : public FileProblemDialog {
    Q_OBJECT
public:
    // `keptAs` is where the damaged file was moved; empty when it is still at `path`.
    PreferencesErrorDialog(const QString& path, const QString& reason, const QString& keptAs,
                           QWidget* parent = nullptr);

private:
    static QStringList paragraphs(const QString& path, const QString& reason, const QString& keptAs);
};
