// What the user sees when another copy of Quarlin holds the session but did not answer: this copy
// ends, and someone who started it from a menu would otherwise see nothing happen at all.
#pragma once

#include <QMessageBox>

class AlreadyRunningAlert : public QMessageBox {
    Q_OBJECT
public:
    // `detail` is the console line that says what was tried.
    explicit AlreadyRunningAlert(const QString& detail, QWidget* parent = nullptr);
};
