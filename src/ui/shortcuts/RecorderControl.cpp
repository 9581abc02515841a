// Recording, refusing and clearing shortcuts.
#include "RecorderControl.h"

#include "LocalEventMonitor.h"
#include "ShortcutKeys.h"

#include "base/Scheduler.h"
#include "shortcuts/Registry.h"
#include "shortcuts/ResourceBundle.h"
#include "ui/look/DialogFrame.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

namespace KeyboardShortcuts {

namespace {
// Keys that may be recorded without a command-type modifier.
bool isFunctionKey(int qtKey) {
    return qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35;
}

// Pressing a modifier alone is part of a combination still being formed.
bool isModifierKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

std::optional<QList<MenuItem>> mainMenu(const QWidget* widget) {
    const QWidget* window = widget->window();
    const QMenuBar* bar = window ? window->findChild<QMenuBar*>() : nullptr;
    if (!bar)
        return std::nullopt;
    const std::function<QList<MenuItem>(const QList<QAction*>&)> items = [&](const QList<QAction*>& actions) {
        QList<MenuItem> list;
        for (const QAction* action : actions) {
            MenuItem item =
                ShortcutKeys::menuItem(action->text().remove(QLatin1Char('&')), action->shortcut());
            if (action->menu())
                item.submenu = items(action->menu()->actions());
            list.append(item);
        }
        return list;
    };
    return items(bar->actions());
}
} // namespace

RecorderControl::RecorderControl(const Name& name, OnChange onChange, QWidget* parent)
    : QLineEdit(parent), m_shortcutName(name), m_onChange(std::move(onChange)) {
    setMinimumWidth(minimumWidth);
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    setAlignment(Qt::AlignCenter);
    // Nothing is typed here; the caret would only suggest otherwise.
    setReadOnly(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_cancelButton =
        addAction(style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
    connect(m_cancelButton, &QAction::triggered, this, &RecorderControl::clearShortcut);
    setStringValue();
    if (Registry* registry = Registry::current())
        connect(&registry->notificationCenter(), &NotificationCenter::shortcutByNameDidChange, this,
                [this](const Name& changed) {
                    if (changed == m_shortcutName)
                        setStringValue();
                });
    if (Registry* registry = Registry::current())
        connect(&registry->notificationCenter(), &NotificationCenter::hotKeyPressedWhilePaused, this,
                &RecorderControl::hotKeyPressedWhileRecording);
}

RecorderControl::~RecorderControl() {
    if (isRecording())
        endRecording();
}

QSize RecorderControl::sizeHint() const {
    return QSize(minimumWidth, QLineEdit::sizeHint().height());
}

void RecorderControl::setShortcutName(const Name& name) {
    const bool other = name.rawValue() != m_shortcutName.rawValue();
    m_shortcutName = name;
    if (other)
        setStringValue();
}

bool RecorderControl::isRecording() const {
    return m_eventMonitor != nullptr;
}

bool RecorderControl::showsCancelButton() const {
    return m_cancelButton->isVisible();
}

void RecorderControl::setShowsCancelButton(bool shows) {
    m_cancelButton->setVisible(shows);
}

void RecorderControl::setStringValue() {
    const auto shortcut =
        Registry::current() ? Registry::current()->getShortcut(m_shortcutName) : std::nullopt;
    setText(shortcut ? shortcut->presentableDescription() : QString());
    setShowsCancelButton(!text().isEmpty());
}

void RecorderControl::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool resume = m_resumeOnActivation;
    m_resumeOnActivation = false;
    // A window that opens or comes back must not start recording by itself, unless it comes back
    // from our own alert.
    if (event->reason() == Qt::ActiveWindowFocusReason && !resume) {
        clearFocus();
        return;
    }
    startRecording();
}

void RecorderControl::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!m_refusal.isEmpty()) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor red(230, 50, 45);
        painter.setPen(QPen(red, 1.5));
        painter.setBrush(palette().base());
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
        // One line: as large as fits the field, down to 8 pixels, then cut short.
        const QRect area = rect().adjusted(4, 0, -4, 0);
        QFont small = font();
        int pixels = 11;
        do {
            small.setPixelSize(pixels);
        } while (QFontMetrics(small).horizontalAdvance(m_refusal) > area.width() && --pixels > 8);
        painter.setFont(small);
        painter.setPen(red);
        painter.drawText(area, Qt::AlignCenter,
                         QFontMetrics(small).elidedText(m_refusal, Qt::ElideRight, area.width()));
        return;
    }
    // A centred field hides its placeholder while it has the focus, which is when it records.
    if (!hasFocus() || !text().isEmpty())
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    QPainter painter(this);
    painter.setPen(palette().placeholderText().color());
    painter.drawText(style()->subElementRect(QStyle::SE_LineEditContents, &option, this), Qt::AlignCenter,
                     placeholderText());
}

void RecorderControl::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    m_resumeOnActivation = false;
    endRecording();
}

void RecorderControl::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    endRecording();
}

void RecorderControl::keyPressEvent(QKeyEvent* event) {
    // Keys reach the control only when it does not record (the monitor takes them then).
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        QLineEdit::keyPressEvent(event);
    else
        event->accept();
}

void RecorderControl::startRecording() {
    setPlaceholderText(localized(QStringLiteral("press_shortcut")));
    setShowsCancelButton(!text().isEmpty());
    if (Registry* registry = Registry::current())
        registry->setRecorderActive(this, true);
    QPointer<RecorderControl> self(this);
    m_eventMonitor = std::make_unique<LocalEventMonitor>(
        QSet<QEvent::Type>{QEvent::KeyPress, QEvent::ShortcutOverride, QEvent::MouseButtonRelease},
        [self](QObject* target, QEvent* event) { return self ? self->handleEvent(target, event) : true; },
        this);
    m_eventMonitor->start();
}

void RecorderControl::endRecording() {
    if (m_eventMonitor) {
        // Recording often ends inside the monitor's own callback: it stops watching now and goes
        // once that callback has returned.
        m_eventMonitor->stop();
        m_eventMonitor->setParent(nullptr);
        std::shared_ptr<LocalEventMonitor> monitor(std::move(m_eventMonitor));
        if (Registry* registry = Registry::current())
            registry->scheduler().async([monitor] {});
    }
    setRefusal(QString());
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    setShowsCancelButton(!text().isEmpty());
    if (Registry* registry = Registry::current())
        registry->setRecorderActive(this, false);
}

void RecorderControl::blur() {
    if (hasFocus())
        clearFocus();
    else
        endRecording();
}

void RecorderControl::focus() {
    setFocus(Qt::OtherFocusReason);
    // Behind an alert the window is not active yet; the focus it gets back must start recording.
    m_resumeOnActivation = !hasFocus();
}

void RecorderControl::setRefusal(const QString& why) {
    if (m_refusal == why)
        return;
    m_refusal = why;
    setAccessibleDescription(why);
    update();
}

void RecorderControl::refuse(const QString& why) {
    beep();
    setRefusal(why);
}

void RecorderControl::hotKeyPressedWhileRecording(const Shortcut& shortcut) {
    if (!isRecording() || !hasFocus())
        return;
    const auto own = Registry::current() ? Registry::current()->getShortcut(m_shortcutName) : std::nullopt;
    // Its own combination changes nothing; another slot's would leave one of the two dead.
    if (own && *own == shortcut)
        blur();
    else
        refuse(localized(QStringLiteral("keyboard_shortcut_used_by_other_shortcut")));
}

void RecorderControl::beep() {
    QApplication::beep();
}

RecorderControl::AlertResponse RecorderControl::showAlert(const QString& message,
                                                          const QString& informativeText,
                                                          const QStringList& buttons) {
    // Not on the stack: the window it belongs to may go while it waits for the answer.
    const QPointer<QMessageBox> alert =
        new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::NoButton, window());
    alert->setTextFormat(Qt::PlainText);
    alert->setInformativeText(informativeText);
    alert->setWindowModality(Qt::WindowModal);
    QList<QAbstractButton*> added;
    for (const QString& title : buttons)
        added << alert->addButton(title, added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    if (buttons.isEmpty())
        alert->addButton(QMessageBox::Ok);
    DialogFrame::apply(alert);
    alert->exec();
    if (!alert)
        return AlertResponse::first;
    const AlertResponse response = added.size() > 1 && alert->clickedButton() == added.at(1)
                                       ? AlertResponse::second
                                       : AlertResponse::first;
    delete alert;
    return response;
}

void RecorderControl::clearShortcut() {
    setText(QString());
    saveShortcut(std::nullopt);
    setShowsCancelButton(false);
    focus();
}

void RecorderControl::saveShortcut(const std::optional<Shortcut>& shortcut) {
    Registry* registry = Registry::current();
    const bool registered = registry && registry->setShortcut(shortcut, m_shortcutName);
    if (shortcut && !registered) {
        beep();
        Q_EMIT registrationFailed(shortcut->presentableDescription());
    }
    if (m_onChange)
        m_onChange(shortcut);
}

bool RecorderControl::handleEvent(QObject* target, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        if (!rect().adjusted(-3, -3, 3, 3).contains(local)) {
            blur();
            return false;
        }
        // The window hands it on to the widget under the pointer, where it is looked at again.
        const auto* widget = qobject_cast<QWidget*>(target);
        if (!widget)
            return false;
        // Within the margin no widget gets it, whichever lies under the pointer; only the clear
        // button inside the control still works.
        return widget == this || !isAncestorOf(widget);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claims every key while recording, so that no menu or button shortcut fires instead.
        event->accept();
        return true;
    }

    if (isModifierKey(key->key()))
        return true;
    setRefusal(QString());
    ModifierFlags modifiers = ShortcutKeys::modifierFlags(key->modifiers());
    const ModifierFlags commandType = ModifierFlag::command | ModifierFlag::control | ModifierFlag::option;
    const bool noModifiers = (modifiers & ~ModifierFlags(ModifierFlag::numericPad)) == ModifierFlags();
    const bool noCommandType = (modifiers & commandType) == ModifierFlags();

    if (noModifiers && key->key() == Qt::Key_Tab)
        return false; // the window moves the focus on, which ends recording
    if (noModifiers && key->key() == Qt::Key_Escape) {
        blur();
        return true;
    }
    if (noModifiers && (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)) {
        if (showsCancelButton())
            clearShortcut();
        return true;
    }
    if (noCommandType && !isFunctionKey(key->key())) {
        refuse(localized(QStringLiteral("keyboard_shortcut_needs_modifier")));
        return true;
    }
    const auto shortcut = ShortcutKeys::shortcut(*key);
    if (!shortcut) {
        refuse(localized(QStringLiteral("keyboard_shortcut_key_unsupported")));
        return true;
    }
    // The alert waits in a loop of its own, where the control may go (its tab rebuilt, say).
    const QPointer<RecorderControl> self(this);
    if (const auto item = shortcut->takenByMainMenu(mainMenu(this))) {
        blur();
        showAlert(localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg(item->title), {}, {});
        if (self)
            focus();
        return true;
    }
    if (shortcut->isDisallowed()) {
        blur();
        showAlert(localized(QStringLiteral("keyboard_shortcut_disallowed")), {}, {});
        if (self)
            focus();
        return true;
    }
    if (shortcut->isTakenBySystem()) {
        blur();
        const AlertResponse answer =
            showAlert(localized(QStringLiteral("keyboard_shortcut_used_by_system")),
                      localized(QStringLiteral("keyboard_shortcuts_can_be_changed")),
                      {localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut"))});
        if (!self)
            return true;
        focus();
        if (answer != AlertResponse::second)
            return true;
    }
    setText(shortcut->presentableDescription());
    setShowsCancelButton(true);
    saveShortcut(*shortcut);
    blur();
    return true;
}

} // namespace KeyboardShortcuts
