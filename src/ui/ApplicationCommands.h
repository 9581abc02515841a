// The program's two menu commands with a key, Quit (Ctrl+Q) and Check for Updates (Ctrl+U), from
// every window of the program: the main window in either form, the editor, dialogs. The keys are
// handled here, once per press, whichever window has the keyboard; menu items only show them.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>

#include <functional>

class QMessageBox;
class QWidget;

class ApplicationCommands : public QObject {
    Q_OBJECT
public:
    static QKeySequence quitKey() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }
    static QKeySequence checkForUpdatesKey() { return QKeySequence(Qt::CTRL | Qt::Key_U); }
    // A menu item's text with its key shown beside it; the item itself holds no shortcut.
    static QString withKeyText(const QString& text, const QKeySequence& key);

    // `checkForUpdates` asks the updater; the notice that tells where updates come from is ours.
    explicit ApplicationCommands(std::function<void()> checkForUpdates, QObject* parent = nullptr);
    ~ApplicationCommands() override;

    void quit();
    // Over `from` (a window of ours); the notice already open comes forward instead of a second one.
    void checkForUpdates(QWidget* from);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_checkForUpdates;
    QPointer<QMessageBox> m_updatesNotice;
};
