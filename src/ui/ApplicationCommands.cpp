#include "ApplicationCommands.h"

#include "main/UpdatesNotice.h"

#include "base/Log.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWindow>

namespace {

bool pressed(const QKeyEvent* event, const QKeySequence& key) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return key.count() == 1 && QKeyCombination(modifiers, Qt::Key(event->key())) == key[0];
}

} // namespace

QString ApplicationCommands::withKeyText(const QString& text, const QKeySequence& key) {
    return text + QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
}

ApplicationCommands::ApplicationCommands(std::function<void()> checkForUpdates, QObject* parent)
    : QObject(parent), m_checkForUpdates(std::move(checkForUpdates)) {
    QCoreApplication::instance()->installEventFilter(this);
}

ApplicationCommands::~ApplicationCommands() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void ApplicationCommands::quit() {
    QCoreApplication::quit();
}

void ApplicationCommands::checkForUpdates(QWidget* from) {
    logDebug(lcUi, QStringLiteral("🔍 Check for Updates asked from %1")
                       .arg(from ? from->objectName() : QStringLiteral("no window")));
    if (m_checkForUpdates)
        m_checkForUpdates();
    if (m_updatesNotice) {
        m_updatesNotice->raise();
        m_updatesNotice->activateWindow();
        return;
    }
    m_updatesNotice = UpdatesNotice::open(from);
}

bool ApplicationCommands::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches its window before any widget: taken there, it acts once, however many
    // widgets it would pass on its way up, and in every window alike.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool quitting = pressed(key, quitKey());
    if (!quitting && !pressed(key, checkForUpdatesKey()))
        return false;
    // A widget that uses the key itself keeps it, as with any shortcut (Ctrl+U in a text field).
    if (QObject* focus = QGuiApplication::focusObject(); focus && focus != watched) {
        QKeyEvent override(QEvent::ShortcutOverride, key->key(), key->modifiers(), key->nativeScanCode(),
                           key->nativeVirtualKey(), key->nativeModifiers(), key->text());
        override.ignore();
        if (QCoreApplication::sendEvent(focus, &override) && override.isAccepted())
            return false;
    }
    if (key->isAutoRepeat())
        return true;
    if (quitting) {
        // After this key has been delivered: quitting closes the window it is delivered to.
        QMetaObject::invokeMethod(this, &ApplicationCommands::quit, Qt::QueuedConnection);
        return true;
    }
    QWidget* from = QApplication::activeWindow();
    if (!from)
        from = QWidget::find(static_cast<QWindow*>(watched)->winId());
    checkForUpdates(from);
    return true;
}
