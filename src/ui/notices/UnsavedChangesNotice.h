// Tells the user when changes to the configurations could not be saved: once when a save of the
// store's own fails (they live in memory only from then on), and again when quitting would lose them.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>

class ModelContext;

class UnsavedChangesNotice : public QObject {
    Q_OBJECT
public:
    // Watches the context's failed saves, and every quit of the application's event loop.
    UnsavedChangesNotice(ModelContext& context, const QString& storePath, QObject* parent = nullptr);
    ~UnsavedChangesNotice() override;

    // Saves what is pending; when that fails, asks whether to quit all the same. True when quitting
    // loses nothing or the user chose to.
    bool mayQuit();
    // A quit that must not wait for an answer (a termination signal): what cannot be saved is logged.
    void quitWithoutAsking() { m_asks = false; }

    // The notice of a failed save on screen; null when none is.
    QMessageBox* notice() const { return m_notice; }

Q_SIGNALS:
    // The user chose to stay after a quit that would have lost changes.
    void quitCancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shows the question and returns the button chosen; tests answer it themselves.
    virtual QMessageBox::ButtonRole ask(QMessageBox& question);

private:
    void showNotice(const QString& error);
    // The failure and where the store is, shown as they are.
    QString details(const QString& error) const;

    ModelContext& m_context;
    QString m_storePath;
    QPointer<QMessageBox> m_notice;
    bool m_asks = true;
    bool m_asking = false;
};
