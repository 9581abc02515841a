#include "EditConfigurationModalView.h"

#include "AppIcons.h"
#include "ConfigurationAppsSection.h"
#include "ConfigurationEditor.h"
#include "ConfigurationNameHeader.h"
#include "EditConfigurationWindow.h"
#include "PositionGroupBar.h"
#include "ProminentButton.h"
#include "RunningAppsSection.h"
#include "SavedAppsSection.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/Divider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
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
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 24, 0, 24);
    outer->setSpacing(16);
    // The sections scroll when the window is lower than they are (a small screen, four applications);
    // Cancel and Save stay in view below them.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("sectionsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* sections = new QWidget;
    sections->setObjectName(QStringLiteral("sections"));
    auto* layout = new QVBoxLayout(sections);
    layout->setContentsMargins(24, 0, 24, 0);
    layout->setSpacing(16);
    scroll->setWidget(sections);
    // The scroll bar takes its width from the right margin, so the sections keep theirs.
    QScrollBar* bar = scroll->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [layout, bar](int minimum, int maximum) {
        const int right = maximum > minimum ? qMax(0, 24 - bar->sizeHint().width()) : 24;
        layout->setContentsMargins(24, 0, right, 0);
    });
    outer->addWidget(scroll, 1);

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
    m_sectionsScroll = scroll;

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("saveError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setStyleSheet(QStringLiteral("color: #d33;"));
    m_error->hide();
    m_error->setContentsMargins(24, 0, 24, 0);
    outer->addWidget(m_error);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(12);
    footer->addStretch();
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    auto* saveButton = new ProminentButton(QStringLiteral("Save"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    footer->addWidget(cancelButton);
    footer->addWidget(saveButton);
    footer->addStretch();
    outer->addLayout(footer);

    // Escape cancels the name editing wherever the focus is in the window, also when no control has it
    // (the field gives it up 0.1 s after it shows); with no name editing open the key goes on.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    escape->setEnabled(false);
    connect(m_header, &ConfigurationNameHeader::editingNameChanged, escape, &QShortcut::setEnabled);
    connect(escape, &QShortcut::activated, m_header, &ConfigurationNameHeader::cancelNameEditing);

    connect(cancelButton, &QPushButton::clicked, this, &EditConfigurationModalView::cancel);
    connect(saveButton, &QPushButton::clicked, this, &EditConfigurationModalView::save);
    connect(m_editor.get(), &ConfigurationEditor::configurationDeleted, this,
            &EditConfigurationModalView::configurationDeleted);
    // A click that adds nothing says why on the error line, until an addition goes through.
    connect(m_editor.get(), &ConfigurationEditor::addFailed, this, [this](const QString& message) {
        m_error->setText(message);
        m_error->show();
        m_showsAddFailure = true;
    });
    connect(m_editor.get(), &ConfigurationEditor::changed, this, [this] {
        if (!m_showsAddFailure)
            return;
        m_showsAddFailure = false;
        m_error->clear();
        m_error->hide();
    });
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
        m_showsAddFailure = false;
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
    DialogFrame::apply(box);
    box->open();
}
