#include "EditConfigurationModalView.h"

#include "AppIcons.h"
#include "ConfigurationAppsSection.h"
#include "ConfigurationEditor.h"
#include "ConfigurationNameHeader.h"
#include "EditConfigurationWindow.h"
#include "PositionGroupBar.h"
#include "RunningAppsSection.h"
#include "SavedAppsSection.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "ui/look/Divider.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

EditConfigurationModalView::EditConfigurationModalView(ConfigurationGroup* configuration,
                                                       const std::optional<QString>& selectedPositionGroupID,
                                                       const QList<SavedApp*>& savedApps, AppState& state,
                                                       ModelContext& modelContext,
                                                       std::function<void(ConfigurationGroup*)> onSave,
                                                       std::function<void()> onCancel,
                                                       std::function<void(double)> onHeightChange)
    : m_state(state), m_editor(std::make_unique<ConfigurationEditor>(state, modelContext, configuration,
                                                                     selectedPositionGroupID, savedApps)),
      m_icons(std::make_unique<AppIcons>(state)), m_onSave(std::move(onSave)),
      m_onCancel(std::move(onCancel)), m_onHeightChange(std::move(onHeightChange)) {
    setObjectName(QStringLiteral("editConfigurationView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    auto* header = new QVBoxLayout;
    header->setSpacing(12);
    m_header = new ConfigurationNameHeader(*m_editor);
    header->addWidget(m_header);
    m_groups = new PositionGroupBar(*m_editor);
    header->addWidget(m_groups);
    layout->addLayout(header);

    m_apps = new ConfigurationAppsSection(*m_editor, *m_icons);
    layout->addWidget(m_apps);

    layout->addWidget(new Divider);

    m_saved = new SavedAppsSection(*m_editor, *m_icons);
    layout->addWidget(m_saved);
    m_running = new RunningAppsSection(*m_editor);
    layout->addWidget(m_running);
    // The sections keep their heights at the top; the footer stays at the bottom.
    layout->addStretch(1);

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("saveError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setStyleSheet(QStringLiteral("color: #d33;"));
    m_error->hide();
    layout->addWidget(m_error);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(12);
    footer->addStretch();
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    auto* saveButton = new QPushButton(QStringLiteral("Save"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setAutoDefault(false);
    // The prominent style: the accent colour behind white text.
    saveButton->setStyleSheet(QStringLiteral("QPushButton { background: palette(highlight); "
                                             "color: palette(highlighted-text); border-radius: 5px; "
                                             "padding: 4px 14px; }"));
    footer->addWidget(cancelButton);
    footer->addWidget(saveButton);
    footer->addStretch();
    layout->addLayout(footer);

    connect(cancelButton, &QPushButton::clicked, this, &EditConfigurationModalView::cancel);
    connect(saveButton, &QPushButton::clicked, this, &EditConfigurationModalView::save);
    connect(m_editor.get(), &ConfigurationEditor::configurationDeleted, this,
            &EditConfigurationModalView::configurationDeleted);
    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        if (property == AppState::Property::showRunningAppsInEditModal && m_onHeightChange)
            m_onHeightChange(windowHeight());
    });
}

EditConfigurationModalView::~EditConfigurationModalView() = default;

int EditConfigurationModalView::windowHeight() const {
    return m_state.showRunningAppsInEditModal() ? EditConfigurationWindow::heightWithRunningApps
                                                : EditConfigurationWindow::height;
}

void EditConfigurationModalView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    if (m_state.showRunningAppsInEditModal())
        m_running->loadFromCache();
}

void EditConfigurationModalView::save() {
    QString error;
    switch (m_editor->save(&error)) {
    case ConfigurationEditor::SaveResult::positionRequired:
        showPositionRequired();
        return;
    case ConfigurationEditor::SaveResult::failed:
        m_error->setText(QStringLiteral("Saving failed: ") + error);
        m_error->show();
        return;
    case ConfigurationEditor::SaveResult::saved:
        m_error->clear();
        m_error->hide();
        if (m_onSave)
            m_onSave(m_editor->original());
        return;
    }
}

void EditConfigurationModalView::cancel() {
    if (m_onCancel)
        m_onCancel();
}

void EditConfigurationModalView::discard() {
    m_editor->discard();
}

QString EditConfigurationModalView::saveError() const {
    return m_error->text();
}

void EditConfigurationModalView::showPositionRequired() {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Position Required"),
                                QStringLiteral("Please choose a position for each app before saving the "
                                               "configuration."),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("positionRequiredAlert"));
    box->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void EditConfigurationModalView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_header->isEditingName()) {
        m_header->cancelNameEditing();
        event->accept();
        return;
    }
    event->ignore();
}
