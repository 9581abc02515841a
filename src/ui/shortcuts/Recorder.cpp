// The labelled recorder row.
#include "Recorder.h"

#include <QHBoxLayout>
#include <QLabel>

namespace KeyboardShortcuts {

Recorder::Recorder(const Name& name, RecorderCocoa::OnChange onChange, QWidget* parent)
    : QWidget(parent), m_control(new RecorderCocoa(name, std::move(onChange), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_control);
}

Recorder::Recorder(const QString& title, const Name& name, RecorderCocoa::OnChange onChange, QWidget* parent)
    : Recorder(name, std::move(onChange), parent) {
    m_label = new QLabel(this);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setText(title);
    m_label->setBuddy(m_control);
    static_cast<QHBoxLayout*>(layout())->insertWidget(0, m_label);
}

void Recorder::setName(const Name& name) {
    m_control->setShortcutName(name);
}

} // namespace KeyboardShortcuts
