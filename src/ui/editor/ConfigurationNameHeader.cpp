#include "ConfigurationNameHeader.h"

#include "ConfigurationEditor.h"
#include "HoverSymbolButton.h"
#include "app/AppState.h"
#include "base/Log.h"
#include "model/ConfigurationGroup.h"
#include "ui/look/ElidedLabel.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
// The widest the name may be drawn: the editor's width less its margins and the pencil.
constexpr int nameWidth = 500 - 48 - 40;

HoverSymbolButton* symbolButton(const QString& symbol, const QColor& colour, const QString& tip) {
    auto* button = new HoverSymbolButton(symbol, 16, colour);
    button->setToolTip(tip);
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
    auto* nameAndPencil = new QWidget;
    auto* pair = new QHBoxLayout(nameAndPencil);
    pair->setContentsMargins(0, 0, 0, 0);
    pair->setSpacing(8);
    m_title = new QPushButton;
    m_title->setObjectName(QStringLiteral("nameButton"));
    m_title->setFlat(true);
    m_title->setAutoDefault(false);
    m_title->setFont(Fonts::weighted(Fonts::title2(), QFont::DemiBold));
    m_title->setToolTip(QStringLiteral("Click to edit name"));
    m_title->setCursor(Qt::PointingHandCursor);
    m_title->setStyleSheet(QStringLiteral("QPushButton { border: none; text-align: left; padding: 0; }"));
    m_title->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    pair->addWidget(m_title);
    m_pencil =
        new HoverSymbolButton(QStringLiteral("pencil"), 14, palette().color(QPalette::PlaceholderText));
    m_pencil->setObjectName(QStringLiteral("pencil"));
    m_pencil->setToolTip(QStringLiteral("Click to edit name"));
    pair->addWidget(m_pencil);
    displayRow->addWidget(nameAndPencil);
    displayRow->addStretch();
    // The pencil grows while the pointer is anywhere over the name or the pencil.
    nameAndPencil->installEventFilter(this);
    m_stack->addWidget(display);

    // Edit form.
    auto* edit = new QWidget;
    auto* editRow = new QHBoxLayout(edit);
    editRow->setContentsMargins(0, 0, 0, 0);
    editRow->setSpacing(8);
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("nameField"));
    m_field->setPlaceholderText(QStringLiteral("Configuration name"));
    m_field->setFont(Fonts::weighted(Fonts::title2(), QFont::DemiBold));
    editRow->addWidget(m_field, 1);
    HoverSymbolButton* confirm =
        symbolButton(QStringLiteral("checkmark"), QColor(0x34, 0xc7, 0x59), QStringLiteral("Save name (⏎)"));
    confirm->setObjectName(QStringLiteral("confirmName"));
    HoverSymbolButton* cancel =
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
    connect(m_pencil, &QAbstractButton::clicked, this, &ConfigurationNameHeader::startNameEditing);
    connect(confirm, &QAbstractButton::clicked, this, &ConfigurationNameHeader::saveConfigurationName);
    connect(m_field, &QLineEdit::returnPressed, this, &ConfigurationNameHeader::saveConfigurationName);
    connect(cancel, &QAbstractButton::clicked, this, &ConfigurationNameHeader::cancelNameEditing);
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
    return m_displayedName;
}

bool ConfigurationNameHeader::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        m_pencil->setHovered(event->type() == QEvent::Enter);
    return QWidget::eventFilter(watched, event);
}

QString ConfigurationNameHeader::error() const {
    return m_error->text();
}

void ConfigurationNameHeader::refreshName() {
    ConfigurationGroup* draft = m_editor.configuration();
    if (!draft)
        return;
    m_displayedName = QStringLiteral("Edit Configuration: ") + draft->name();
    QString shown = ElidedLabel::elided(m_displayedName, m_title->font(), nameWidth);
    m_title->setText(shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void ConfigurationNameHeader::showForm() {
    const bool changed = m_stack->currentIndex() != (m_editing ? 1 : 0);
    m_stack->setCurrentIndex(m_editing ? 1 : 0);
    if (changed)
        Q_EMIT editingNameChanged(m_editing);
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
    logDebug(lcUi, QStringLiteral("✏️ Started editing configuration name"));
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
    logInfo(lcUi, QStringLiteral("❌ Cancelled configuration name editing"));
}
