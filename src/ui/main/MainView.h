// The main window's root: the tab bar at the top centre (Home, Shortcuts, Settings), the selected
// tab's content below it, tab requests from other components through AppState::pendingMainTabSelection,
// the attached window's height per tab, the window hook that records the window in AppState, and
// the missing-applications dialog over everything while AppState asks for it. The window's minimum
// size and its fit into the work area are MainWindowSizer's.
//
// The content of each tab is made by a factory, anew each time the tab is shown; the Home tab
// has one factory for the ordinary window and one for the window attached under the status item.
// A tab without a factory shows a placeholder.
#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

#include "MainWindowSizer.h"

class AppState;
class QLabel;
class QPixmap;
class QVariantAnimation;
class MainTabBar;
class MissingAppModal;
class Scheduler;

class MainView : public QWidget {
    Q_OBJECT
public:
    enum class Tab { home, shortcuts, settings };

    // In tab-bar order.
    static QList<Tab> allTabs() { return {Tab::home, Tab::shortcuts, Tab::settings}; }
    // "Home", "Shortcuts", "Settings": how other components name a tab.
    static QString rawValue(Tab tab);
    // Exactly the three raw values, case-sensitively.
    static std::optional<Tab> tabFromRawValue(const QString& rawValue);
    static QString icon(Tab tab);

    // The attached window's height for a tab: 545 on Home, 745 on the others.
    static double menuBarHeight(Tab tab);
    // The attached window's height for the selected tab: more than the tab's when its content needs it.
    double attachedHeight() const;

    using ContentFactory = std::function<QWidget*()>;
    struct Contents {
        ContentFactory home;         // the Home tab of the ordinary window
        ContentFactory attachedHome; // the Home tab while attached under the status item
        ContentFactory shortcuts;
        ContentFactory settings;
    };

    using ScreenMetrics = MainWindowSizer::ScreenMetrics;
    using ScreenProbe = MainWindowSizer::ScreenProbe;

    MainView(AppState& state, Scheduler& scheduler, Contents contents = {}, QWidget* parent = nullptr);

    // Replaces the factories; the shown content is made anew.
    void setContents(Contents contents);
    // Where the screens come from (the platform's displays by default).
    void setScreenProbe(ScreenProbe probe);
    // Where the window hook centres and shrinks (the main screen's visible frame by default).
    void setWorkArea(WindowAccessor::WorkArea workArea);

    Tab selectedTab() const { return m_selectedTab; }
    // As a press on the tab's button: selects it and bounces its symbol, also when already selected.
    void pressTab(Tab tab);

    // The minimum size of the window's content for the current attach state, tab and screens,
    // never larger than the main screen's visible frame.
    QSize minimumWindowSize() const { return m_sizer->minimumWindowSize(); }

    MainTabBar* tabBar() const { return m_tabBar; }
    QWidget* currentContent() const { return m_content; }
    // Present while the dialog is shown.
    MissingAppModal* missingAppModal() const { return m_modal; }
    QWidget* dimmingLayer() const { return m_dimming; }
    WindowAccessor* windowAccessor() const { return m_sizer->accessor(); }

Q_SIGNALS:
    void selectedTabChanged(MainView::Tab tab);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void select(Tab tab);
    void handleTabRequest();
    void rebuildContent();
    // Fades the new tab content in over a picture of the old one fading out.
    void crossFade(const QPixmap& leaving, const QRect& where);
    void finishCrossFade();
    void updateMissingAppLayer();
    void placeMissingAppDialog();
    void closeMissingAppDialog();
    void attachedChanged();
    void render();
    WindowAccessor::Arguments hookArguments();

    AppState& m_state;
    Scheduler& m_scheduler;
    Contents m_contents;
    Tab m_selectedTab = Tab::home;
    bool m_contentAttached = false;
    bool m_hookCreated = false;
    MainTabBar* m_tabBar;
    QWidget* m_contentArea;
    QPointer<QWidget> m_content;
    QVariantAnimation* m_fade = nullptr;
    QLabel* m_leaving = nullptr;
    QWidget* m_dimming;
    MissingAppModal* m_modal = nullptr;
    MainWindowSizer* m_sizer;
};
