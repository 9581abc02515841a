// The main window's shell as a user meets it: the tabs, requests to switch them, the window's
// minimum size on small and large screens, the attached window's height, the window hook and the
// missing-applications dialog.
#include "../app/AppWorld.h"
#include "../app/Fakes.h"

#include "../support/WidgetScreenshot.h"
#include "ui/MainWindow.h"
#include "ui/look/StyledButton.h"
#include "ui/main/MainTabBar.h"
#include "ui/main/MainTabButton.h"
#include "ui/main/MainView.h"
#include "ui/main/MissingAppModal.h"
#include "ui/main/MissingAppRow.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
class RecordingMenuBar : public FakeMenuBar {
public:
    using FakeMenuBar::FakeMenuBar;
    void adjustAttachedWindowHeight(double height, bool animated) override {
        heights << QStringLiteral("%1 %2").arg(height).arg(animated ? "animated" : "at once");
    }
    QStringList heights;
};

// A negative height stands for no screen at all.
MainView::ScreenMetrics screensOf(int count, int visibleHeight) {
    return {count, visibleHeight < 0 ? std::nullopt : std::optional<QRect>(QRect(0, 0, 1920, visibleHeight))};
}
} // namespace

class MainViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AppWorld> world;
    std::unique_ptr<AppState> state;

    // The view in a window larger than its minimum, on a 1600 x 1000 work area.
    MainView* showLarger(MainWindow& window) {
        auto* view = new MainView(*state, world->clock);
        view->setWorkArea([](QWidget*) { return QRect(0, 0, 1600, 1000); });
        view->setScreenProbe([] { return screensOf(1, 1000); });
        window.setContent(view);
        window.resize(1000, 1000);
        window.show();
        return QTest::qWaitForWindowExposed(&window) ? view : nullptr;
    }

private Q_SLOTS:
    void init() {
        world = std::make_unique<AppWorld>();
        state = std::make_unique<AppState>(world->platform, world->context());
    }
    void cleanup() {
        state.reset();
        world.reset();
    }

    void minimumSizeFitsTheScreen_data() {
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("visible");
        QTest::addColumn<bool>("attached");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("one screen") << 1 << 1000 << false << 0 << QSize(600, 820);
        QTest::newRow("two screens") << 2 << 1000 << false << 0 << QSize(800, 820);
        QTest::newRow("700") << 1 << 700 << false << 0 << QSize(600, 600);
        QTest::newRow("1199 capped") << 1 << 1199 << false << 0 << QSize(600, 900);
        QTest::newRow("3000 capped") << 1 << 3000 << false << 0 << QSize(600, 900);
        QTest::newRow("no screen") << 1 << -1 << false << 0 << QSize(600, 738);
        QTest::newRow("attached home") << 1 << 1000 << true << 0 << QSize(428, 545);
        QTest::newRow("attached settings") << 1 << 1000 << true << 2 << QSize(428, 745);
        // On a 768-pixel screen the attached window may not be taller than its maximum.
        QTest::newRow("attached settings, small screen") << 1 << 740 << true << 2 << QSize(428, 700);
        QTest::newRow("detached, tiny screen") << 1 << 580 << false << 0 << QSize(600, 580);
        // 1080 pixels at twice the scale, less a panel: it hangs 6 below the panel and 8 above the edge.
        QTest::newRow("attached, twice the scale") << 1 << 526 << true << 0 << QSize(428, 512);
    }
    void minimumSizeFitsTheScreen() {
        QFETCH(int, screens);
        QFETCH(int, visible);
        QFETCH(bool, attached);
        QFETCH(int, tab);
        QFETCH(QSize, expected);
        MainView view(*state, world->clock);
        view.setScreenProbe([=] { return screensOf(screens, visible); });
        state->setIsMainWindowAttached(attached);
        view.pressTab(MainView::allTabs().at(tab));
        QCOMPARE(view.minimumWindowSize(), expected);
    }

    void tabRequests_data() {
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("tab");
        QTest::newRow("settings") << "settings" << 2;
        QTest::newRow("SETTINGS") << "SETTINGS" << 2;
        QTest::newRow("Shortcuts") << "Shortcuts" << 1;
        QTest::newRow("shortcuts names no tab") << "shortcuts" << 0;
        QTest::newRow("<b>Home</b>") << "<b>Home</b>" << 0;
    }
    void tabRequests() {
        QFETCH(QString, request);
        QFETCH(int, tab);
        // A request made before the window is first shown waits for it.
        state->setPendingMainTabSelection(request);
        MainView view(*state, world->clock);
        QCOMPARE(view.selectedTab(), MainView::Tab::home);
        view.show();
        QCOMPARE(int(view.selectedTab()), tab);
        QCOMPARE(view.tabBar()->currentIndex(), tab);
        // A request that names a tab is cleared; one that names none is left as it is.
        QCOMPARE(state->pendingMainTabSelection(),
                 tab == 0 ? std::optional<QString>(request) : std::optional<QString>());
        state->setPendingMainTabSelection(QStringLiteral("Home"));
        QCOMPARE(view.selectedTab(), MainView::Tab::home);
    }

    void tabsSwapTheirContentAndTheAttachedHeight() {
        QStringList journal;
        RecordingMenuBar menuBar(journal);
        state->setMenuBarManager(&menuBar);
        int homes = 0, attachedHomes = 0;
        MainView view(*state, world->clock,
                      {[&] { return new QLabel(QStringLiteral("home %1").arg(++homes)); },
                       [&] { return new QLabel(QStringLiteral("attached %1").arg(++attachedHomes)); },
                       [] { return new QLabel(QStringLiteral("shortcuts")); },
                       [] { return new QLabel(QStringLiteral("settings")); }});
        auto text = [&] { return qobject_cast<QLabel*>(view.currentContent())->text(); };
        QCOMPARE(text(), "home 1");
        QTest::mouseClick(view.tabBar()->button(2), Qt::LeftButton);
        QCOMPARE(text(), "settings");
        QCOMPARE(state->currentMenuBarHeight(), 745.0);
        world->clock.runDue();
        QCOMPARE(menuBar.heights, QStringList());

        // Attaching swaps nothing on Settings but asks for the remembered height at once.
        state->setIsMainWindowAttached(true);
        world->clock.runDue();
        QCOMPARE(menuBar.heights, QStringList{"745 at once"});
        view.pressTab(MainView::Tab::home);
        QCOMPARE(text(), "attached 1");
        QCOMPARE(state->currentMenuBarHeight(), 545.0);
        world->clock.runDue();
        QCOMPARE(menuBar.heights.last(), "545 animated");
        state->setIsMainWindowAttached(false);
        QCOMPARE(text(), "home 2");

        // Pressing the selected tab keeps it and bounces its symbol.
        MainTabButton* home = view.tabBar()->button(0);
        const int bounces = home->bounceCount();
        QTest::mouseClick(home, Qt::LeftButton);
        QCOMPARE(view.selectedTab(), MainView::Tab::home);
        QCOMPARE(home->bounceCount(), bounces + 1);
        QCOMPARE(text(), "home 2");

        // A tab whose content needs more than the tab's height: the attached window is asked for all of it.
        view.setContents({{}, {}, {}, [] {
                              auto* page = new QWidget;
                              (new QVBoxLayout(page))->addSpacing(900);
                              return page;
                          }});
        state->setIsMainWindowAttached(true);
        view.pressTab(MainView::Tab::settings);
        world->clock.runDue();
        QVERIFY(state->currentMenuBarHeight() > 900);
        QCOMPARE(menuBar.heights.last(), QStringLiteral("%1 animated").arg(state->currentMenuBarHeight()));
        state->setMenuBarManager(nullptr);
    }

    // A shown view fades between tabs; quick presses in a row still end on the last tab, whole.
    void tabChangesFadeAndEndClean() {
        MainView view(*state, world->clock);
        view.resize(700, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.pressTab(MainView::Tab::settings);
        QVERIFY(view.findChild<QLabel*>("leavingTab"));
        view.pressTab(MainView::Tab::shortcuts);
        QCOMPARE(view.findChildren<QLabel*>("leavingTab").size(), 1);
        QTRY_VERIFY(!view.findChild<QLabel*>("leavingTab"));
        QCOMPARE(view.currentContent()->graphicsEffect(), nullptr);
        QVERIFY(view.currentContent()->isVisible());
        QCOMPARE(view.selectedTab(), MainView::Tab::shortcuts);
    }

    void theHookRecordsCentresAndShrinksOnce() {
        MainWindow window;
        MainView* view = showLarger(window);
        QVERIFY(view);
        world->clock.runDue();
        QCOMPARE(state->mainWindow(), static_cast<HostWindow*>(&window));
        QVERIFY(!state->isFirstWindowCapture());
        // Larger than its minimum: shrunk to it after 0.1 s.
        QCOMPARE(window.size(), QSize(1000, 1000));
        world->clock.advance(0.1);
        QTRY_VERIFY(view->windowAccessor()->isResizing());
        QTRY_VERIFY(!view->windowAccessor()->isResizing());
        QCOMPARE(window.size(), window.minimumSizeHint());
        QCOMPARE(window.width(), 600);
        // The user's larger size stays through later updates.
        window.resize(1100, 950);
        view->pressTab(MainView::Tab::settings);
        world->clock.advance(1.0);
        QVERIFY(!view->windowAccessor()->isResizing());
        QCOMPARE(window.size(), QSize(1100, 950));

        // Back from the status item: the frame saved at attaching is the menu bar's to restore; only
        // without one does the window return to its minimum size.
        for (bool saved : {true, false}) {
            state->setIsMainWindowAttached(true);
            state->setPreviousMainWindowFrame(saved ? std::optional<Rect>(Rect(10, 10, 1100, 950))
                                                    : std::nullopt);
            state->setIsMainWindowAttached(false);
            world->clock.advance(0.2);
            QCOMPARE(view->windowAccessor()->isResizing(), !saved);
        }
    }

    // A launch straight under the tray icon attaches the window while the hook's first step (posted
    // when the window was still an ordinary one) or its shrink is pending: the attached window keeps
    // the attached size and place, and its minimum is the attached one.
    void anAttachedWindowKeepsItsSize_data() {
        QTest::addColumn<double>("attachAfter");
        QTest::newRow("before the first step") << 0.0;
        QTest::newRow("while the shrink waits") << 0.05;
    }
    void anAttachedWindowKeepsItsSize() {
        QFETCH(double, attachAfter);
        MainWindow window;
        MainView* view = showLarger(window);
        QVERIFY(view);
        if (attachAfter > 0)
            world->clock.runDue();
        world->clock.advance(attachAfter);
        const QRect hung(1100, 30, 428, 545);
        state->setIsMainWindowAttached(true);
        window.setMinimumSize(428, 545);
        window.setGeometry(hung);
        world->clock.advance(1.0);
        QVERIFY(!view->windowAccessor()->isResizing());
        QTRY_COMPARE(window.geometry(), hung);
        QCOMPARE(view->minimumSize().height(), 545);
        QVERIFY(window.minimumSizeHint().height() < 700);
    }

    // A second screen raises the minimum width to 800: the window grows with it, also when a minimum
    // was set on the window itself (as hanging from the tray icon leaves one), and stays inside
    // its work area.
    void aSecondScreenGrowsTheWindowInsideItsWorkArea() {
        MainWindow window;
        MainView* view = showLarger(window);
        QVERIFY(view);
        window.setMinimumSize(600, 720);
        window.setGeometry(950, 100, 600, 820);
        view->setScreenProbe([] { return screensOf(2, 1000); });
        QCOMPARE(window.width(), 800);
        QVERIFY(QRect(0, 0, 1600, 1000).contains(window.frameGeometry()));
        view->setScreenProbe([] { return screensOf(1, 1000); });
        QCOMPARE(window.minimumWidth(), 600);
    }

    // The main screen is the display of our focused window, with the free area the desktop backend
    // reads: the minimum size and the centring follow it, not the primary display.
    void theMainScreenIsTheFocusedWindowsDisplay() {
        const Screen tall{QStringLiteral("LEFT"), Rect(0, 0, 1920, 1440), Rect(0, 0, 1920, 1412)};
        const Screen lower{QStringLiteral("RIGHT"), Rect(1920, 440, 1280, 1000), Rect(1920, 440, 1280, 972)};
        world->desktop.setScreens({tall, lower}, 1);
        MainWindow window;
        auto* view = new MainView(*state, world->clock);
        window.setContent(view);
        window.resize(1000, 1000);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(view->minimumSize(), QSize(800, 797));
        world->clock.runDue();
        world->clock.advance(0.1);
        QTRY_VERIFY(!view->windowAccessor()->isResizing());
        // RIGHT in root pixels: top-aligned with LEFT, its top 28 pixels taken by a panel.
        const QRect area(1920, 28, 1280, 972);
        QVERIFY2(area.contains(window.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                       .arg(window.frameGeometry().x())
                                                                       .arg(window.frameGeometry().y())
                                                                       .arg(window.width())
                                                                       .arg(window.height())));
        QVERIFY(std::abs(window.frameGeometry().center().x() - area.center().x()) <= 1);

        // Our window focused on the primary display: its free area counts from then on.
        world->desktop.setScreens({tall, lower}, 0);
        QCOMPARE(view->minimumSize(), QSize(800, 847));
    }

    // However it got too large for its work area (resized, the display or its panels changed), a
    // moment later the window fits it again; a window that fits stays where it is.
    void theWindowKeepsFittingItsWorkArea() {
        const auto screenOf = [](int visibleHeight) {
            // A panel at the top takes what the visible frame leaves.
            return Screen{QStringLiteral("one"), Rect(0, 0, 1600, 1000), Rect(0, 0, 1600, visibleHeight)};
        };
        world->desktop.setScreens({screenOf(1000)});
        MainWindow window;
        auto* view = new MainView(*state, world->clock);
        window.setContent(view);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        world->clock.advance(1.0);
        QTRY_VERIFY(!view->windowAccessor()->isResizing());

        window.setGeometry(100, 50, 700, 1200);
        world->clock.advance(0.1);
        QCOMPARE(window.frameGeometry().height(), 1000);
        QVERIFY(QRect(0, 0, 1600, 1000).contains(window.frameGeometry()));

        world->desktop.setScreens({screenOf(700)});
        world->clock.advance(0.1);
        QVERIFY(QRect(0, 300, 1600, 700).contains(window.frameGeometry()));

        window.setGeometry(900, 350, 700, 650);
        world->clock.advance(0.5);
        QCOMPARE(window.geometry(), QRect(900, 350, 700, 650));
    }

    // A window larger than 600 x 720 (or its own minimum) on either side takes that size on both.
    void shrinkTargets() {
        QCOMPARE(WindowAccessor::shrinkTarget(QSize(1000, 900), QSize(600, 600)), QSize(600, 720));
        QCOMPARE(WindowAccessor::shrinkTarget(QSize(1200, 700), QSize(600, 600)), QSize(600, 720));
        QCOMPARE(WindowAccessor::shrinkTarget(QSize(1000, 1000), QSize(820, 900)), QSize(820, 900));
        QCOMPARE(WindowAccessor::shrinkTarget(QSize(600, 720), QSize(600, 600)), QSize(600, 720));
        QCOMPARE(WindowAccessor::shrinkTarget(QSize(500, 700), QSize(600, 600)), QSize(500, 700));
    }

    void missingApplicationsDialog() {
        MainView view(*state, world->clock);
        view.resize(800, 800);
        view.show();
        auto* configuration = world->configuration(QStringLiteral("Work"), 1);
        state->setMissingAppsToShow(
            {{"a.b", "<b>Editor</b>", "Work & <i>Play</i>"}, {"c.d", "Mail", "Work"}});
        state->setConfigurationForPartialActivation(configuration);
        state->setShowMissingAppModal(true);
        MissingAppModal* modal = view.missingAppModal();
        QVERIFY(modal && modal->isVisible());
        QCOMPARE(modal->rows().size(), 2);
        // User text is shown as it is, never as markup, and the main window offers no removal.
        const auto* name = modal->rows().first()->findChild<QLabel*>("appName");
        QCOMPARE(name->text(), "<b>Editor</b>");
        QCOMPARE(name->textFormat(), Qt::PlainText);
        QCOMPARE(modal->rows().first()->findChild<QLabel*>("configurationName")->text(),
                 "in Work & <i>Play</i>");
        QVERIFY(!modal->rows().first()->removeButton());

        // Presses on the dialog itself (its margin, title, list or a row) leave it open.
        QList<QWidget*> places = {modal, modal->findChild<QWidget*>("missingAppList"), modal->rows().first()};
        for (QLabel* label : modal->findChildren<QLabel*>())
            places << label;
        for (QWidget* place : places) {
            QTest::mouseClick(place, Qt::LeftButton, {}, QPoint(3, 3));
            QVERIFY2(state->showMissingAppModal(), qPrintable(place->metaObject()->className()));
        }
        QCOMPARE(state->missingAppsToShow().size(), 2);
        QCOMPARE(view.missingAppModal(), modal);
        QVERIFY(saveWidgetScreenshot(&view, QStringLiteral("missing-applications-dialog")));
        // In the attached window, narrower than the dialog: all of it inside, its button in reach.
        state->setIsMainWindowAttached(true);
        view.resize(428, 545);
        QCOMPARE(view.width(), 428);
        QVERIFY(view.rect().contains(modal->geometry()));
        QVERIFY(modal->rect().contains(modal->closeButton()->geometry()));
        QVERIFY(saveWidgetScreenshot(&view, QStringLiteral("missing-applications-dialog-attached")));

        // "Close" clears the dialog's whole state; a tap beside the dialog only hides it.
        for (bool tapBeside : {false, true}) {
            state->setMissingAppsToShow({{"a.b", "Editor", "Work"}});
            state->setConfigurationForPartialActivation(configuration);
            state->setShowMissingAppModal(true);
            if (tapBeside)
                QTest::mouseClick(view.dimmingLayer(), Qt::LeftButton, {}, QPoint(5, 5));
            else
                view.missingAppModal()->closeButton()->click();
            QVERIFY(!state->showMissingAppModal());
            QCOMPARE(state->missingAppsToShow().size(), tapBeside ? 1 : 0);
            QCOMPARE(state->configurationForPartialActivation(), tapBeside ? configuration : nullptr);
            QVERIFY(!view.missingAppModal());
            QVERIFY(!view.dimmingLayer()->isVisible());
            QVERIFY(!state->shouldContinueWithPartialActivation());
        }
        // What the tap kept is still there to go on with.
        state->triggerPartialActivationNow();
        QVERIFY(state->shouldContinueWithPartialActivation());
    }
};

QTEST_MAIN(MainViewTest)
#include "MainViewTest.moc"
