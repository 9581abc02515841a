#include "MainView.h"

#include "MainTabBar.h"
#include "MainTabButton.h"
#include "MissingAppModal.h"
#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "base/Scheduler.h"
#include "ui/look/Fonts.h"
#include "ui/look/LookColors.h"
#include "ui/look/SpringEasing.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <utility>

namespace {
// Until a tab's own view is given: the tab's title over empty section frames.
QWidget* placeholder(const QString& title, const QStringList& sections) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    auto* heading = new QLabel(title);
    heading->setFont(Fonts::weighted(Fonts::largeTitle(), QFont::Bold));
    column->addWidget(heading);
    for (const QString& section : sections) {
        auto* name = new QLabel(section);
        name->setFont(Fonts::headline());
        column->addWidget(name);
        auto* frame = new QFrame;
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setMinimumHeight(60);
        frame->setMaximumHeight(200);
        column->addWidget(frame);
    }
    column->addStretch(1);
    return page;
}

// The black veil under the dialog; a press on it reports itself.
class Dimming : public QWidget {
public:
    std::function<void()> onTap;
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0, 0, 0, 77));
    }
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (onTap)
            onTap();
    }
};
} // namespace

QString MainView::rawValue(Tab tab) {
    switch (tab) {
    case Tab::home:
        return QStringLiteral("Home");
    case Tab::shortcuts:
        return QStringLiteral("Shortcuts");
    case Tab::settings:
        break;
    }
    return QStringLiteral("Settings");
}

std::optional<MainView::Tab> MainView::tabFromRawValue(const QString& raw) {
    for (Tab tab : allTabs())
        if (rawValue(tab) == raw)
            return tab;
    return std::nullopt;
}

QString MainView::icon(Tab tab) {
    switch (tab) {
    case Tab::home:
        return QStringLiteral("house");
    case Tab::shortcuts:
        return QStringLiteral("keyboard");
    case Tab::settings:
        break;
    }
    return QStringLiteral("gearshape");
}

double MainView::menuBarHeight(Tab tab) {
    return tab == Tab::home ? 545 : 745;
}

double MainView::attachedHeight() const {
    // The tab's height, or what its content needs at the attached width when that is more: the
    // window grows to what it shows, up to the free area (the menu-bar manager's limit), before
    // anything scrolls.
    double needed = 0;
    if (m_content) {
        const int width = MainWindowSizer::attachedWidth;
        const int content = m_content->hasHeightForWidth() ? m_content->heightForWidth(width)
                                                           : m_content->sizeHint().height();
        const QMargins margins = layout()->contentsMargins();
        needed = margins.top() + m_tabBar->sizeHint().height() + content + margins.bottom();
    }
    return std::max(menuBarHeight(m_selectedTab), needed);
}

MainView::MainView(AppState& state, Scheduler& scheduler, Contents contents, QWidget* parent)
    : QWidget(parent), m_state(state), m_scheduler(scheduler), m_contents(std::move(contents)) {
    setObjectName(QStringLiteral("mainView"));
    QList<MainTabBar::TabItem> items;
    for (Tab tab : allTabs())
        items.append({icon(tab), rawValue(tab)});
    m_tabBar = new MainTabBar(items, this);
    connect(m_tabBar, &MainTabBar::tabPressed, this, [this](int index) { pressTab(allTabs().at(index)); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 8, 0, 0);
    column->setSpacing(0);
    auto* barRow = new QHBoxLayout;
    barRow->addStretch(1);
    barRow->addWidget(m_tabBar);
    barRow->addStretch(1);
    column->addLayout(barRow);
    // A screen too short for a tab (a high scale) keeps the tab bar and scrolls the content.
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("mainContentScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->viewport()->setAutoFillBackground(false);
    m_contentArea = new QWidget;
    auto* contentLayout = new QVBoxLayout(m_contentArea);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    scroller->setWidget(m_contentArea);
    m_contentArea->setAutoFillBackground(false);
    column->addWidget(scroller, 1);

    auto* dimming = new Dimming(this);
    dimming->setObjectName(QStringLiteral("missingAppDimming"));
    // A tap beside the dialog only hides it: the list and the configuration waiting for a partial
    // activation stay, unlike with "Close".
    dimming->onTap = [this] { m_state.setShowMissingAppModal(false); };
    dimming->hide();
    m_dimming = dimming;

    m_sizer = new MainWindowSizer(this, m_state, m_scheduler, [this] { return attachedHeight(); });

    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        switch (property) {
        case AppState::Property::pendingMainTabSelection:
            handleTabRequest();
            break;
        case AppState::Property::isMainWindowAttached:
            attachedChanged();
            break;
        case AppState::Property::showMissingAppModal:
        case AppState::Property::missingAppsToShow:
            updateMissingAppLayer();
            break;
        case AppState::Property::isFirstWindowCapture:
        case AppState::Property::mainWindow:
            render();
            break;
        default:
            break;
        }
    });

    m_contentAttached = m_state.isMainWindowAttached();
    rebuildContent();
    updateMissingAppLayer();
}

void MainView::setContents(Contents contents) {
    m_contents = std::move(contents);
    rebuildContent();
}

void MainView::setScreenProbe(ScreenProbe probe) {
    m_sizer->setScreenProbe(std::move(probe));
}

void MainView::setWorkArea(WindowAccessor::WorkArea workArea) {
    m_sizer->setWorkArea(std::move(workArea));
}

void MainView::pressTab(Tab tab) {
    select(tab);
    if (MainTabButton* button = m_tabBar->button(int(allTabs().indexOf(tab))))
        button->bounce();
}

void MainView::select(Tab tab) {
    if (tab == m_selectedTab)
        return;
    m_selectedTab = tab;
    m_tabBar->setCurrentIndex(int(allTabs().indexOf(tab)));
    finishCrossFade();
    QPixmap leaving;
    QRect where;
    if (m_content && m_content->isVisible()) {
        leaving = m_content->grab();
        where = m_content->geometry();
    }
    rebuildContent();
    if (!leaving.isNull())
        crossFade(leaving, where);
    // The attached window follows the tab's height; the ordinary window remembers it for later.
    const double height = attachedHeight();
    m_state.setCurrentMenuBarHeight(height);
    if (m_state.isMainWindowAttached()) {
        QPointer<MainView> self(this);
        m_scheduler.async([self, height] {
            if (self && self->m_state.menuBarManager())
                self->m_state.menuBarManager()->adjustAttachedWindowHeight(height, true);
        });
    }
    render();
    Q_EMIT selectedTabChanged(tab);
}

void MainView::handleTabRequest() {
    const std::optional<QString> request = m_state.pendingMainTabSelection();
    if (!request)
        return;
    std::optional<Tab> target = tabFromRawValue(*request);
    if (!target && request->toLower() == QStringLiteral("settings"))
        target = Tab::settings;
    // A request that names no tab is left as it is; the next request replaces it.
    if (!target)
        return;
    select(*target);
    m_state.setPendingMainTabSelection(std::nullopt);
}

void MainView::rebuildContent() {
    const bool attached = m_state.isMainWindowAttached();
    m_contentAttached = attached;
    if (m_content)
        m_content->deleteLater();
    if (m_content)
        m_content->hide();
    ContentFactory factory;
    QWidget* content = nullptr;
    switch (m_selectedTab) {
    case Tab::home:
        factory = attached ? m_contents.attachedHome : m_contents.home;
        content = factory ? factory()
                          : placeholder(QStringLiteral("Home"),
                                        attached ? QStringList{QStringLiteral("App Configurations")}
                                                 : QStringList{QStringLiteral("Running Applications"),
                                                               QStringLiteral("App Configurations"),
                                                               QStringLiteral("Saved Applications")});
        break;
    case Tab::shortcuts:
        content =
            m_contents.shortcuts ? m_contents.shortcuts() : placeholder(QStringLiteral("Shortcuts"), {});
        break;
    case Tab::settings:
        content = m_contents.settings ? m_contents.settings() : placeholder(QStringLiteral("Settings"), {});
        break;
    }
    content->setParent(m_contentArea);
    m_contentArea->layout()->addWidget(content);
    content->show();
    m_content = content;
    m_sizer->applyMinimumSize();
    if (m_dimming->isVisible())
        m_dimming->raise();
}

void MainView::crossFade(const QPixmap& leaving, const QRect& where) {
    m_leaving = new QLabel(m_contentArea);
    m_leaving->setObjectName(QStringLiteral("leavingTab"));
    m_leaving->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_leaving->setPixmap(leaving);
    m_leaving->setGeometry(where);
    auto* leavingOpacity = new QGraphicsOpacityEffect(m_leaving);
    m_leaving->setGraphicsEffect(leavingOpacity);
    m_leaving->show();
    m_leaving->raise();
    auto* arrivingOpacity = new QGraphicsOpacityEffect(m_content);
    arrivingOpacity->setOpacity(0);
    m_content->setGraphicsEffect(arrivingOpacity);

    m_fade = new QVariantAnimation(this);
    m_fade->setDuration(SpringEasing::durationMs);
    m_fade->setEasingCurve(SpringEasing::curve());
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    QPointer<QGraphicsOpacityEffect> arriving(arrivingOpacity);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [leavingOpacity, arriving](const QVariant& v) {
        leavingOpacity->setOpacity(1.0 - v.toDouble());
        if (arriving)
            arriving->setOpacity(v.toDouble());
    });
    connect(m_fade, &QVariantAnimation::finished, this, &MainView::finishCrossFade);
    m_fade->start();
}

void MainView::finishCrossFade() {
    if (m_fade) {
        m_fade->disconnect(this);
        m_fade->stop();
        m_fade->deleteLater();
        m_fade = nullptr;
    }
    delete m_leaving;
    m_leaving = nullptr;
    // The effect renders the whole page offscreen: keep it only while fading.
    if (m_content)
        m_content->setGraphicsEffect(nullptr);
}

void MainView::attachedChanged() {
    const bool attached = m_state.isMainWindowAttached();
    if (m_selectedTab == Tab::home && attached != m_contentAttached)
        rebuildContent();
    else
        m_sizer->applyMinimumSize();
    if (attached) {
        m_state.setCurrentMenuBarHeight(attachedHeight());
        const double height = m_state.currentMenuBarHeight();
        QPointer<MainView> self(this);
        m_scheduler.async([self, height] {
            if (self && self->m_state.menuBarManager())
                self->m_state.menuBarManager()->adjustAttachedWindowHeight(height, false);
        });
    } else if (!m_state.previousMainWindowFrame()) {
        // Detached with no frame to go back to: bring the window to its ordinary size.
        QPointer<MainView> self(this);
        m_scheduler.async([self] {
            if (self && self->window() != self.data())
                self->m_sizer->accessor()->forceWindowToMinimumSize(self->window());
        });
    }
    render();
}

WindowAccessor::Arguments MainView::hookArguments() {
    WindowAccessor::Arguments args;
    QPointer<MainView> self(this);
    args.onResolve = [self](QWidget* window) {
        if (!self || !window || self->m_state.mainWindow())
            return;
        if (auto* host = dynamic_cast<HostWindow*>(window))
            self->m_state.setMainWindow(host);
    };
    args.shouldCenterOnFirstResolve = m_state.isFirstWindowCapture() && !m_state.isMainWindowAttached();
    args.onFirstResolveComplete = [self] {
        if (self)
            self->m_state.setIsFirstWindowCapture(false);
    };
    args.forceMinimumSizeOnResolve = !m_state.isMainWindowAttached();
    return args;
}

void MainView::render() {
    if (m_hookCreated)
        m_sizer->accessor()->updated(hookArguments());
}

void MainView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_sizer->applyMinimumSize();
    if (!m_hookCreated) {
        m_hookCreated = true;
        m_sizer->accessor()->created(hookArguments());
        m_sizer->watchWindow();
    }
    handleTabRequest();
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_dimming->setGeometry(rect());
    placeMissingAppDialog();
}

void MainView::placeMissingAppDialog() {
    if (!m_modal)
        return;
    // Never wider or taller than the window it shows in (the attached window is narrower than the
    // dialog): cut off, its text and its button would be out of reach.
    constexpr int margin = 12;
    const QSize size = MissingAppModal::preferredSize.boundedTo(this->size() - QSize(2 * margin, 2 * margin));
    m_modal->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void MainView::closeMissingAppDialog() {
    m_state.setShowMissingAppModal(false);
    m_state.setMissingAppsToShow({});
    m_state.setConfigurationForPartialActivation(nullptr);
}

void MainView::updateMissingAppLayer() {
    // Later: this runs from inside the dialog's own "Close".
    if (m_modal) {
        m_modal->hide();
        m_modal->deleteLater();
        m_modal = nullptr;
    }
    if (!m_state.showMissingAppModal()) {
        m_dimming->hide();
        return;
    }
    QPointer<MainView> self(this);
    m_modal = new MissingAppModal(
        m_state.missingAppsToShow(),
        [self] {
            if (self)
                self->closeMissingAppDialog();
        },
        [self] {
            if (!self)
                return;
            self->m_state.setShowMissingAppModal(false);
            self->m_state.setMissingAppsToShow({});
            self->m_state.triggerPartialActivationNow();
        },
        {}, m_dimming);
    m_dimming->setGeometry(rect());
    placeMissingAppDialog();
    m_modal->show();
    m_dimming->show();
    m_dimming->raise();
}
