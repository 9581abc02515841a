#include "ContentView.h"

#include "AppConfigurationsSectionView.h"
#include "HomeLook.h"
#include "PermissionView.h"
#include "RunningApplicationsSectionView.h"
#include "SavedApplicationsSectionView.h"
#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "model/SavedApp.h"
#include "ui/look/StyledButton.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

ContentView::ContentView(Platform& platform, AppState& state, ModelContext* store, ApplicationIcons& icons,
                         QWidget* parent)
    : QWidget(parent), m_platform(platform), m_state(state),
      m_permissionWatch(new PermissionWatch(platform, this)) {
    connect(m_permissionWatch, &PermissionWatch::changed, this, [this](bool trusted) {
        if (trusted)
            recordGrant();
        showPage();
    });
    // Deleted by another list or another machine: the rows go at once, in one pass per burst.
    if (store)
        connect(store, &ModelContext::objectDeleted, this, [this] {
            if (m_pruneQueued)
                return;
            m_pruneQueued = true;
            QPointer<ContentView> self(this);
            m_platform.scheduler.async([self] {
                if (!self)
                    return;
                self->m_pruneQueued = false;
                self->m_lists->pruneDeleted();
            });
        });
    m_pages = new QStackedLayout(this);
    m_pages->setContentsMargins(0, 0, 0, 0);

    auto* permissionPage = new QWidget(this);
    auto* permissionLayout = new QHBoxLayout(permissionPage);
    m_permission = new PermissionView(permissionPage);
    permissionLayout->addWidget(m_permission);
    m_permission->onCheckAgain = [this] { m_permissionWatch->check(); };
    m_pages->addWidget(permissionPage);
    permissionPage->installEventFilter(this);

    m_home = new QWidget(this);
    auto* column = new QVBoxLayout(m_home);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);
    m_running = new RunningApplicationsSectionView(state, icons, m_home);
    m_configurations = new AppConfigurationsSectionView(platform, state, icons, m_home);
    m_saved = new SavedApplicationsSectionView(state, icons, m_home);
    m_lists = std::make_unique<HomeLists>(platform, icons, store, m_running, m_configurations, m_saved);
    m_commands = std::make_unique<HomeCommands>(platform, state, *m_lists, this);
    // The lists take the height first, up to their greatest; what is left stays below the button.
    column->addWidget(m_running, 1);
    column->addWidget(m_configurations, 1);
    column->addWidget(m_saved, 1);
    auto* toggleRow = new QHBoxLayout();
    toggleRow->setContentsMargins(0, 8, 0, 0);
    toggleRow->addStretch(1);
    // The toggle style hugs its label; the label itself is padded 16 by 10, its symbol 10 from the text.
    ButtonStyle toggleStyle = ButtonStyle::menuBarToggle();
    toggleStyle.horizontalPadding = 16;
    toggleStyle.verticalPadding = 10;
    auto* toggle = new StyledButton(toggleStyle, QStringLiteral("Enter Menu Bar Mode"),
                                    QStringLiteral("menubar.rectangle"), m_home);
    toggle->setLabelSpacing(10);
    m_menuBarButton = toggle;
    m_menuBarButton->setFont(HomeLook::font(14, QFont::Medium));
    m_menuBarButton->setToolTip(QStringLiteral("Toggle the attached Menu Bar window"));
    toggleRow->addWidget(m_menuBarButton);
    toggleRow->addStretch(1);
    column->addLayout(toggleRow);
    column->addStretch(0);
    m_pages->addWidget(m_home);
    m_home->installEventFilter(this);

    // --- the sections' callbacks ---
    m_running->onRefresh = [this] { m_lists->gatherRunningApps(); };
    m_running->onSearchTextChange = [this](const QString& text) { m_lists->searchRunningApps(text); };
    m_running->onSelectApp = [this](const RunningApp& app) { m_state.setBundleID(app.bundleID); };
    m_running->onSaveApp = [this](const RunningApp& app) { m_commands->saveApp(app); };

    m_configurations->onCreateConfiguration = [this] { m_commands->showCreateSheet(); };
    m_configurations->onClearAll = [this] { m_commands->confirmClearAllConfigurations(); };
    m_configurations->onSearchTextChange = [this](const QString& text) {
        m_lists->searchConfigurations(text);
    };
    m_configurations->onRemoveConfiguration = [this](ConfigurationGroup* c) {
        m_commands->confirmRemoveConfiguration(c);
    };
    m_configurations->onEditConfiguration = [this](ConfigurationGroup* c, std::optional<QString> id) {
        m_commands->openEditor(c, std::move(id));
    };

    m_saved->onClearAll = [this] { m_commands->confirmClearAllSavedApps(); };
    m_saved->onSearchTextChange = [this](const QString& text) { m_lists->searchSavedApps(text); };
    m_saved->onSelectSavedApp = [this](SavedApp* app) { selectSavedApp(app); };
    m_saved->onRemoveSavedApp = [this](SavedApp* app) { m_commands->confirmRemoveSavedApp(app); };

    connect(m_menuBarButton, &QAbstractButton::clicked, this, [this] { toggleMenuBarMode(); });

    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        switch (property) {
        case AppState::Property::shouldShowCreateConfiguration:
            // A one-shot request; while the home is not on screen its appearance takes it up.
            if (m_state.shouldShowCreateConfiguration() && m_home->isVisible()) {
                m_commands->showCreateSheet();
                m_state.setShouldShowCreateConfiguration(false);
            }
            break;
        case AppState::Property::isMainWindowAttached:
            updateMenuBarButton();
            break;
        case AppState::Property::configurationDataVersion:
            // Another machine's changes, a finished sync, an editor's save: the lists show the store.
            refetch();
            break;
        default:
            break;
        }
    });

    m_running->setShowRunningApps(m_showRunningApps);
    m_configurations->setShowConfigurations(m_showConfigurations);
    m_saved->setShowSavedApps(m_showSavedApps);
    m_lists->updateDisplayedRunningApps();
    m_lists->updateDisplayedConfigurations();
    m_lists->updateDisplayedSavedApps();
    updateMenuBarButton();
    showPage();
}

ContentView::~ContentView() {
    // Pending poll steps find the watch stopped; the observer goes with the watch.
    m_permissionWatch->stopPolling();
}

// --- the permission gate ---

void ContentView::showPage() {
    m_pages->setCurrentIndex(m_permissionWatch->isTrusted() ? 1 : 0);
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (watched == m_home) {
            authorizedHomeAppeared();
        } else if (watched == m_permission->parentWidget()) {
            m_permissionWatch->start();
            // Asked for 0.1 s after the screen appears; the fade itself waits another 0.3 s.
            QPointer<ContentView> self(this);
            m_platform.scheduler.after(0.1 + 0.3, [self] {
                if (self)
                    self->m_permission->showAppIcon();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::recordGrant() {
    // The activation observer stays: a permission withdrawn later shows at the next activation.
    m_permissionWatch->stopPolling();
    m_showRunningApps = true;
    m_running->setShowRunningApps(true);
    m_lists->gatherRunningApps();
}

void ContentView::handleLaunchPermissions() {
    if (m_permissionWatch->reread()) {
        m_showRunningApps = true;
        m_running->setShowRunningApps(true);
        m_lists->gatherRunningApps();
    } else {
        showPage();
    }
}

void ContentView::authorizedHomeAppeared() {
    handleLaunchPermissions();
    if (!m_permissionWatch->isTrusted())
        return;
    m_lists->fetchSavedApps();
    m_lists->fetchConfigurationGroups();
    if (m_state.shouldShowCreateConfiguration()) {
        m_commands->showCreateSheet();
        m_state.setShouldShowCreateConfiguration(false);
    }
}

void ContentView::refetch() {
    // Fetched when the home appears; until then (or behind the permission screen) there is nothing to
    // keep true.
    if (!m_permissionWatch->isTrusted() || !m_home->isVisible()) {
        m_lists->pruneDeleted();
        return;
    }
    m_lists->fetchSavedApps();
    m_lists->fetchConfigurationGroups();
}

void ContentView::selectSavedApp(SavedApp* app) {
    m_state.setBundleID(app->bundleID());
    m_state.setCorner(app->corner());
    m_state.setWidthFraction(app->savedWidthFraction());
    m_state.setHeightPoints(app->savedHeight());
    m_state.setMarginX(app->savedMarginX());
    m_state.setMarginY(app->savedMarginY());
}

// --- the menu bar mode ---

void ContentView::toggleMenuBarMode() {
    MenuBarManaging* manager = m_state.menuBarManager();
    if (!manager)
        return;
    if (!m_state.isMainWindowAttached())
        manager->showAttachedWindow();
    else if (m_state.mainWindow())
        manager->toggleAttachedWindow();
}

void ContentView::updateMenuBarButton() {
    m_menuBarButton->setText(m_state.isMainWindowAttached() ? QStringLiteral("Exit Menu Bar Mode")
                                                            : QStringLiteral("Enter Menu Bar Mode"));
}
