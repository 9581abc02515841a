#include "EditPositionGroupNameView.h"

#include "ProminentButton.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/Fonts.h"
#include "ui/look/ScreenFit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EditPositionGroupNameView::EditPositionGroupNameView(const QString& groupName, QWidget* parent, OnSave onSave)
    : QDialog(parent), m_onSave(std::move(onSave)) {
    setWindowTitle(QStringLiteral("Edit Position Group Name"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(ScreenFit::capped(QSize(400, 300), parent));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);
    auto* title = new QLabel(QStringLiteral("Edit Position Group Name"));
    title->setFont(Fonts::weighted(Fonts::title2(), QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* subtitle = new QLabel(QStringLiteral("Update the name for this position group"));
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(subtitle);
    auto* nameBox = new QVBoxLayout;
    nameBox->setSpacing(8);
    auto* label = new QLabel(QStringLiteral("Group Name"));
    label->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    nameBox->addWidget(label);
    m_field = new QLineEdit(groupName);
    m_field->setObjectName(QStringLiteral("groupNameField"));
    m_field->setPlaceholderText(QStringLiteral("Position group name"));
    nameBox->addWidget(m_field);
    layout->addLayout(nameBox);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    m_save = new ProminentButton(QStringLiteral("Save"));
    m_save->setObjectName(QStringLiteral("saveGroupName"));
    buttons->addWidget(cancel);
    buttons->addWidget(m_save);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &EditPositionGroupNameView::cancelEditing);
    connect(m_save, &QPushButton::clicked, this, &EditPositionGroupNameView::saveGroupName);
    connect(m_field, &QLineEdit::returnPressed, this, &EditPositionGroupNameView::saveGroupName);
    connect(m_field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_save->setEnabled(!text.trimmed().isEmpty()); });
    m_save->setEnabled(!groupName.trimmed().isEmpty());
    DialogFrame::apply(this);
}

QString EditPositionGroupNameView::localGroupName() const {
    return m_field->text();
}

void EditPositionGroupNameView::setLocalGroupName(const QString& name) {
    m_field->setText(name);
}

void EditPositionGroupNameView::saveGroupName() {
    if (m_onSave && !m_onSave(m_field->text()))
        return;
    m_field->clear();
    accept();
}

void EditPositionGroupNameView::cancelEditing() {
    m_field->clear();
    QDialog::reject();
}

void EditPositionGroupNameView::reject() {
    // Escape and the window's close button.
    cancelEditing();
}
