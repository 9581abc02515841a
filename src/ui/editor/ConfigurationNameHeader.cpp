#include "ConfigurationNameHeader.h"

#include "ConfigurationEditor.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QPushButton* symbolButton(const QString& symbol, const QColor& colour, const QString& tip) {
    auto* button = new QPushButton;
    button->setIcon(Symbols::icon(symbol, colour, 16));
    button->setIconSize(QSize(16, 16));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setToolTip(tip);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 2px 4px; }"));
    return button;
}
} // namespace

ConfigurationNameHeader::ConfigurationNameHeader(ConfigurationEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    m_stack = new QStackedWidget;
    outer->addWidget(m_stack);

    // Display form.
    auto* display = new QWidget;
    auto* displayRow = new QHBoxLayout(display);
    displayRow->setContentsMargins(0, 0, 0, 0);
    m_title = new QPushButton;
    m_title->setObjectName(QStringLiteral("nameButton"));
    m_title->setFlat(true);
    m_title->setAutoDefault(false);
    m_title->setFont(Fonts::title2());
    m_title->setToolTip(QStringLiteral("Click to edit name"));
    m_title->setCursor(Qt::PointingHandCursor);
    m_title->setStyleSheet(QStringLiteral("QPushButton { border: none; text-align: left; padding: 0; }"));
    m_title->setLayoutDirection(Qt::RightToLeft);
    m_title->setIcon(Symbols::icon(QStringLiteral("pencil"), palette().color(QPalette::PlaceholderText), 14));
    m_title->setIconSize(QSize(14, 14));
    displayRow->addWidget(m_title);
    displayRow->addStretch();
    m_stack->addWidget(display);

    // Edit form.
    auto* edit = new QWidget;
    auto* editRow = new QHBoxLayout(edit);
    editRow->setContentsMargins(0, 0, 0, 0);
    editRow->setSpacing(8);
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("nameField"));
    m_field->setPlaceholderText(QStringLiteral("Configuration name"));
    m_field->setFont(Fonts::title2());
    editRow->addWidget(m_field, 1);
    QPushButton* confirm =
        symbolButton(QStringLiteral("checkmark"), QColor(0x34, 0xc7, 0x59), QStringLiteral("Save name (⏎)"));
    confirm->setObjectName(QStringLiteral("confirmName"));
    QPushButton* cancel =
        symbolButton(QStringLiteral("xmark"), QColor(0xff, 0x3b, 0x30), QStringLiteral("Cancel (⎋)"));
    cancel->setObjectName(QStringLiteral("cancelName"));
    editRow->addWidget(confirm);
    editRow->addWidget(cancel);
    m_stack->addWidget(edit);
    m_stack->setFixedHeight(m_field->sizeHint().height() + 6);

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("nameError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #d33;"));
    m_error->hide();
    outer->addWidget(m_error);

    connect(m_title, &QPushButton::clicked, this, &ConfigurationNameHeader::startNameEditing);
    connect(confirm, &QPushButton::clicked, this, &ConfigurationNameHeader::saveConfigurationName);
    connect(m_field, &QLineEdit::returnPressed, this, &ConfigurationNameHeader::saveConfigurationName);
    connect(cancel, &QPushButton::clicked, this, &ConfigurationNameHeader::cancelNameEditing);
    connect(&m_editor, &ConfigurationEditor::nameChanged, this, &ConfigurationNameHeader::refreshName);
    if (ConfigurationGroup* draft = m_editor.configuration())
        connect(draft, &ConfigurationGroup::nameChanged, this, &ConfigurationNameHeader::refreshName);
    refreshName();
    showForm();
}

QString ConfigurationNameHeader::editingName() const {
    return m_field->text();
}

void ConfigurationNameHeader::setEditingName(const QString& text) {
    m_field->setText(text);
}

QString ConfigurationNameHeader::displayedName() const {
    return m_title->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString ConfigurationNameHeader::error() const {
    return m_error->text();
}

void ConfigurationNameHeader::refreshName() {
    ConfigurationGroup* draft = m_editor.configuration();
    if (!draft)
        return;
    QString text = QStringLiteral("Edit Configuration: ") + draft->name();
    m_title->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&")) + QStringLiteral("  "));
}

void ConfigurationNameHeader::showForm() {
    m_stack->setCurrentIndex(m_editing ? 1 : 0);
    if (!m_editing) {
        m_error->clear();
        m_error->hide();
    }
}

void ConfigurationNameHeader::startNameEditing() {
    ConfigurationGroup* draft = m_editor.configuration();
    if (!draft)
        return;
    m_field->setText(draft->name());
    m_editing = true;
    showForm();
    logLine(QStringLiteral("✏️ Started editing configuration name"));
    // The window itself, not the field, holds the keyboard once the field is shown.
    QPointer<ConfigurationNameHeader> self(this);
    m_editor.platform().scheduler.after(focusClearDelay, [self] {
        if (!self || !QApplication::activeWindow())
            return;
        if (QWidget* focused = QApplication::activeWindow()->focusWidget())
            focused->clearFocus();
    });
}

void ConfigurationNameHeader::saveConfigurationName() {
    QString error;
    if (!m_editor.renameConfiguration(m_field->text(), &error)) {
        m_error->setText(error);
        m_error->show();
        return;
    }
    m_editing = false;
    showForm();
}

void ConfigurationNameHeader::cancelNameEditing() {
    m_field->clear();
    m_editing = false;
    showForm();
    logLine(QStringLiteral("❌ Cancelled configuration name editing"));
}
