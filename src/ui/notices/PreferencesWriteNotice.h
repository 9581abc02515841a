// Tells the user when a changed setting could not be saved: it looks changed, but would be back to
// its old value at the next start. Once per run of failures, not once per change.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>

class JsonPreferenceStore;

class PreferencesWriteNotice : public QObject {
    Q_OBJECT
public:
    explicit PreferencesWriteNotice(JsonPreferenceStore& preferences, QObject* parent = nullptr);
    ~PreferencesWriteNotice() override;

    // The notice on screen; null when none is.
    QMessageBox* box() const { return m_box; }

private:
    void show(const QString& error);

    QPointer<QMessageBox> m_box;
};
