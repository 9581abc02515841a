#include "CreateConfigurationSheet.h"

#include "ProminentButton.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/Fonts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateConfigurationSheet::CreateConfigurationSheet(QWidget* parent, OnCreate onCreateConfiguration)
    : QDialog(parent), m_onCreate(std::move(onCreateConfiguration)) {
    setWindowTitle(QStringLiteral("Create New Configuration"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(400);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(20);

    auto* title = new QLabel(QStringLiteral("Create New Configuration"));
    title->setFont(Fonts::weighted(Fonts::title2(), QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    auto* nameBox = new QVBoxLayout;
    nameBox->setSpacing(8);
    auto* label = new QLabel(QStringLiteral("Configuration Name"));
    label->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    nameBox->addWidget(label);
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("configurationName"));
    m_field->setPlaceholderText(QStringLiteral("e.g., Development Setup"));
    nameBox->addWidget(m_field);
    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("createError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #d33;"));
    m_error->hide();
    nameBox->addWidget(m_error);
    layout->addLayout(nameBox);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"));
    cancelButton->setAutoDefault(false);
    m_create = new ProminentButton(QStringLiteral("Create"));
    buttons->addWidget(cancelButton);
    buttons->addWidget(m_create);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(cancelButton, &QPushButton::clicked, this, &CreateConfigurationSheet::cancel);
    connect(m_create, &QPushButton::clicked, this, &CreateConfigurationSheet::createConfiguration);
    connect(m_field, &QLineEdit::returnPressed, this, &CreateConfigurationSheet::createConfiguration);
    connect(m_field, &QLineEdit::textChanged, this, &CreateConfigurationSheet::updateCreateEnabled);
    updateCreateEnabled();
    DialogFrame::apply(this);
}

QString CreateConfigurationSheet::configurationName() const {
    return m_field->text();
}

void CreateConfigurationSheet::setConfigurationName(const QString& name) {
    m_field->setText(name);
}

QString CreateConfigurationSheet::error() const {
    return m_error->isVisible() || !m_error->text().isEmpty() ? m_error->text() : QString();
}

void CreateConfigurationSheet::updateCreateEnabled() {
    m_create->setEnabled(!m_field->text().trimmed().isEmpty());
}

void CreateConfigurationSheet::createConfiguration() {
    const QString name = m_field->text().trimmed();
    if (name.isEmpty())
        return;
    if (const QString tooLong = ConfigurationGroup::nameLengthError(name); !tooLong.isEmpty()) {
        showError(tooLong);
        return;
    }
    QString why;
    if (m_onCreate && !m_onCreate(name, &why)) {
        showError(why.isEmpty() ? QStringLiteral("The configuration could not be created.")
                                : QStringLiteral("The configuration could not be created: ") + why);
        return;
    }
    m_error->clear();
    m_error->hide();
    m_finishing = true;
    accept();
    m_field->clear();
}

void CreateConfigurationSheet::showError(const QString& text) {
    m_error->setText(text);
    m_error->show();
    // A window takes its least height from its layout without asking the wrapped error how many lines
    // it needs at the sheet's width, so the sheet is fitted to its content here.
    layout()->activate();
    const int height = qMax(layout()->totalHeightForWidth(width()), layout()->minimumSize().height());
    setMinimumHeight(height);
    resize(width(), height);
}

void CreateConfigurationSheet::cancel() {
    m_finishing = true;
    reject();
    m_field->clear();
}

void CreateConfigurationSheet::keyPressEvent(QKeyEvent* event) {
    // Neither button has a key: Escape does not cancel and Return only submits the field.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CreateConfigurationSheet::closeEvent(QCloseEvent* event) {
    // The window manager's close button counts as Cancel.
    if (!m_finishing)
        m_field->clear();
    QDialog::closeEvent(event);
}

ConfigurationGroup* CreateConfigurationSheet::storeNewConfiguration(AppState& state, ModelContext& context,
                                                                    const QString& name, QString* error) {
    Platform& platform = state.platform();
    double width = 1920;
    double height = 1080;
    if (const std::optional<Screen> main = platform.screens.mainScreen()) {
        width = main->visibleFrame.width;
        height = main->visibleFrame.height;
    }
    auto* configuration = new ConfigurationGroup(name, width, height, std::nullopt);
    configuration->setLastActivatedAt(platform.scheduler.currentDateTime());
    context.insert(configuration);
    if (!context.save(QList<ModelObject*>{configuration}, error)) {
        context.deleteObject(configuration);
        return nullptr;
    }
    return configuration;
}
