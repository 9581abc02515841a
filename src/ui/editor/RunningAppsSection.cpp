#include "RunningAppsSection.h"

#include "AppIcons.h"
#include "AppPickerList.h"
#include "ConfigurationEditor.h"
#include "app/AppState.h"
#include "ui/look/Fonts.h"

#include "ui/look/Symbols.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

RunningAppsSection::RunningAppsSection(ConfigurationEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Add Apps from Running Applications"));
    title->setFont(Fonts::weighted(Fonts::body(), QFont::Medium));
    // One line: the buttons beside it are kept compact instead.
    title->setWordWrap(false);
    header->setSpacing(4);
    header->addWidget(title);
    header->addStretch();
    m_toggle = new QPushButton;
    m_toggle->setObjectName(QStringLiteral("toggleRunningApps"));
    m_toggle->setAutoDefault(false);
    // Small enough that the title keeps one line at the editor's width.
    const QString compact = QStringLiteral("QPushButton { padding: 2px 4px; }");
    m_toggle->setFont(Fonts::subheadline());
    m_toggle->setStyleSheet(compact);
    m_toggle->setIconSize(QSize(11, 11));
    header->addWidget(m_toggle);
    m_refresh = new QPushButton(
        Symbols::icon(QStringLiteral("arrow.clockwise"), palette().color(QPalette::ButtonText)),
        QStringLiteral("Refresh"));
    m_refresh->setObjectName(QStringLiteral("refreshRunningApps"));
    m_refresh->setAutoDefault(false);
    m_refresh->setFont(Fonts::subheadline());
    m_refresh->setStyleSheet(compact);
    m_refresh->setIconSize(QSize(11, 11));
    header->addWidget(m_refresh);
    m_busy = new QProgressBar;
    m_busy->setRange(0, 0);
    m_busy->setFixedSize(20, 8);
    m_busy->setTextVisible(false);
    header->addWidget(m_busy);
    layout->addLayout(header);
    m_list = new AppPickerList(editor, QStringLiteral("Search running applications..."), true);
    m_list->setObjectName(QStringLiteral("runningApps"));
    m_list->setEmptyTexts(QStringLiteral("No running applications found"),
                          QStringLiteral("No applications match your search"));
    layout->addWidget(m_list);

    connect(m_toggle, &QPushButton::clicked, this, &RunningAppsSection::toggle);
    connect(m_refresh, &QPushButton::clicked, this, &RunningAppsSection::refresh);
    connect(&m_editor, &ConfigurationEditor::runningAppsChanged, this, &RunningAppsSection::showApps);
    connect(&m_editor.state(), &AppState::changed, this, [this](AppState::Property property) {
        if (property == AppState::Property::isFetchingRunningApps ||
            property == AppState::Property::showRunningAppsInEditModal)
            updateControls();
    });
    updateControls();
    showApps();
}

bool RunningAppsSection::isFetchingShown() const {
    return !m_busy->isHidden();
}

void RunningAppsSection::updateControls() {
    AppState& state = m_editor.state();
    const bool shown = state.showRunningAppsInEditModal();
    m_toggle->setText(shown ? QStringLiteral("Hide Running Apps") : QStringLiteral("Show Running Apps"));
    m_toggle->setIcon(Symbols::icon(shown ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"),
                                    palette().color(QPalette::ButtonText)));
    m_refresh->setEnabled(shown && !state.isFetchingRunningApps());
    m_busy->setVisible(state.isFetchingRunningApps());
    m_list->setBusy(state.isFetchingRunningApps());
    m_list->setVisible(shown);
}

void RunningAppsSection::showApps() {
    QList<AppPickerList::Entry> entries;
    for (const RunningApp& app : m_editor.runningApps()) {
        const std::optional<QString> icon = app.icon;
        entries.append(AppPickerList::Entry{app.bundleID, app.name,
                                            [icon] { return AppIcons::fromSpec(icon); },
                                            [this, app] { m_editor.addRunningAppToConfiguration(app); }});
    }
    m_list->setEntries(entries);
}

void RunningAppsSection::loadFromCache() {
    AppState& state = m_editor.state();
    m_editor.setRunningApps(state.cachedRunningApps());
    QPointer<ConfigurationEditor> editor(&m_editor);
    state.refreshRunningAppsCache(false, [editor](const QList<RunningApp>& apps) {
        if (editor)
            editor->setRunningApps(apps);
    });
}

void RunningAppsSection::toggle() {
    AppState& state = m_editor.state();
    const bool wasShown = state.showRunningAppsInEditModal();
    state.setShowRunningAppsInEditModal(!wasShown);
    if (!wasShown)
        loadFromCache();
}

void RunningAppsSection::refresh() {
    QPointer<ConfigurationEditor> editor(&m_editor);
    m_editor.state().refreshRunningAppsCache(true, [editor](const QList<RunningApp>& apps) {
        if (editor)
            editor->setRunningApps(apps);
    });
}
