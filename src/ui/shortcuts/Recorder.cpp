// The labelled recorder row.
#include "Recorder.h"

#include "shortcuts/Registry.h"
#include "shortcuts/ResourceBundle.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"

#include <QHBoxLayout>
#include <QLabel>

namespace KeyboardShortcuts {

Recorder::Recorder(const Name& name, RecorderControl::OnChange onChange, QWidget* parent)
    : QWidget(parent), m_control(new RecorderControl(name, std::move(onChange), this)),
      m_notice(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_notice->setObjectName(QStringLiteral("shortcutRefused"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setText(localized(QStringLiteral("keyboard_shortcut_used_by_other_program")));
    m_notice->setWordWrap(true);
    m_notice->setFont(Fonts::caption());
    QPalette palette = m_notice->palette();
    palette.setColor(QPalette::WindowText, LookColors::red(LookColors::isDark(parent)));
    m_notice->setPalette(palette);
    m_notice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_notice->hide();
    // Between the title and the control, so that the controls of a column stay lined up.
    layout->addWidget(m_notice, 1);
    layout->addWidget(m_control);
    // Otherwise only the log would say that pressing the shortcut does nothing.
    connect(m_control, &RecorderControl::registrationFailed, this, &Recorder::updateNotice);
    if (Registry* registry = Registry::current()) {
        connect(&registry->notificationCenter(), &NotificationCenter::hotKeyRefusalDidChange, this,
                &Recorder::updateNotice);
        connect(&registry->notificationCenter(), &NotificationCenter::shortcutByNameDidChange, this,
                [this](const Name& changed) {
                    if (changed == m_control->shortcutName())
                        updateNotice();
                });
    }
    updateNotice();
}

Recorder::Recorder(const QString& title, const Name& name, RecorderControl::OnChange onChange,
                   QWidget* parent)
    : Recorder(name, std::move(onChange), parent) {
    m_label = new QLabel(this);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setText(title);
    m_label->setBuddy(m_control);
    static_cast<QHBoxLayout*>(layout())->insertWidget(0, m_label);
}

void Recorder::setName(const Name& name) {
    m_control->setShortcutName(name);
    updateNotice();
}

void Recorder::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateNotice();
}

void Recorder::updateNotice() {
    const Registry* registry = Registry::current();
    m_notice->setVisible(registry && registry->isRefused(name()));
}

} // namespace KeyboardShortcuts
