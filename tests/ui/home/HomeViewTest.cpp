// The home tab: the permission gate, the three lists with their searches and states, and the
// commands behind their buttons, each checked against the store.
#include "../../app/Fakes.h"
#include "../../support/WidgetScreenshot.h"
#include "HomeWorld.h"
#include "model/SavedApp.h"
#include "ui/QtApplicationShell.h"
#include "ui/editor/ConfigurationEditor.h"
#include "ui/editor/EditConfigurationModalView.h"
#include "ui/home/AppConfigurationsSectionView.h"
#include "ui/home/ConfigurationListView.h"
#include "ui/home/ConfigurationRow.h"
#include "ui/home/ContentView.h"
#include "ui/home/HighlightRow.h"
#include "ui/home/PermissionView.h"
#include "ui/home/RunningApplicationsSectionView.h"
#include "ui/home/SavedApplicationsSectionView.h"
#include "ui/look/DialogFrame.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

struct Home {
    std::unique_ptr<ContentView> view;

    explicit Home(HomeWorld& w, bool withStore = true) {
        view = std::make_unique<ContentView>(w.platform, w.state, withStore ? w.context() : nullptr, w.icons);
        view->resize(600, 900);
        view->show();
    }
    ContentView* operator->() const { return view.get(); }
    QStringList configurationNames() const {
        QStringList names;
        for (ConfigurationGroup* c : view->configurationSection()->listView()->order())
            names << c->name();
        return names;
    }
};

} // namespace

class HomeViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // An alert that a test leaves open (the editor's notice that its configuration is gone) is the
    // user's to close; the test closes it so that it does not outlive the test.
    void cleanup() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(window))
                delete window;
    }

    // One activation observer and one poll per view. The grant stops the poll; the observer stays
    // and sees the permission withdrawn at the next activation.
    void permissionGate() {
        HomeWorld w;
        w.desktop.setTrusted(false);
        Home home(w);
        QVERIFY(home->permissionView()->isVisible());
        QVERIFY(home->isPollingPermission() && home->isObservingActivation());
        home->hide();
        home->show();
        home->hide();
        home->show();
        w.clock.advance(30);
        QCOMPARE(w.clock.pendingDeadlines().size(), 1);

        w.desktop.setTrusted(true);
        w.clock.advance(3.0);
        QVERIFY(home->axTrusted());
        QVERIFY(home->homeView()->isVisible());
        QVERIFY(!home->isPollingPermission() && home->isObservingActivation());
        w.clock.advance(30);
        QVERIFY(w.clock.pendingDeadlines().isEmpty());

        // Withdrawn: the next activation falls back to the permission screen, which polls again.
        w.desktop.setTrusted(false);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(home->homeView()->isVisible());
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(!home->axTrusted());
        QVERIFY(home->permissionView()->isVisible());
        QVERIFY(home->isPollingPermission());
        // Granted again at the next activation; the poll stops, the observer stays.
        w.desktop.setTrusted(true);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(home->homeView()->isVisible());
        QVERIFY(!home->isPollingPermission() && home->isObservingActivation());

        // Withdrawn again: the next appearance of the home falls back too; a view that goes away
        // stops polling and observing.
        w.desktop.setTrusted(false);
        home->hide();
        home->show();
        QVERIFY(home->permissionView()->isVisible());
        home.view.reset();
        w.clock.advance(30);
        QVERIFY(w.clock.pendingDeadlines().isEmpty());
        // Its observer went with it.
        w.desktop.setTrusted(true);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    }

    // For a person to look at: the permission screen and the home on the dark and the light look, with
    // a name too long for its row.
    void bothLooks() {
        const QPalette before = QApplication::palette();
        for (bool dark : {true, false}) {
            QApplication::setPalette(dark ? QtApplicationShell::darkPalette()
                                          : QtApplicationShell::lightPalette());
            const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
            HomeWorld w;
            w.desktop.run(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
            w.desktop.run(QStringLiteral("org.example.Terminal"), QStringLiteral("Terminal"));
            w.configuration(QStringLiteral("Work"), 1);
            w.configuration(
                QString(300, QLatin1Char('W')) + QStringLiteral(" a very long configuration name"), 2);
            w.context()->insert(new SavedApp(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"),
                                             700, 500, Corner::leftHalf, 0.5, 6, 8));
            QVERIFY(w.context()->save());
            w.state.setBundleID(QStringLiteral("org.example.Terminal"));
            w.desktop.setTrusted(false);
            {
                Home home(w);
                // The icon fades in from 0.4 s after the screen appears.
                w.clock.advance(0.35);
                QVERIFY(!home->permissionView()->isFadingInAppIcon());
                w.clock.advance(0.05);
                QVERIFY(home->permissionView()->isFadingInAppIcon());
                QTRY_COMPARE(home->permissionView()->appIconOpacity(), 1.0);
                QVERIFY(saveWidgetScreenshot(home.view.get(), QStringLiteral("home-permission-") + look));
            }
            w.desktop.setTrusted(true);
            Home home(w);
            QVERIFY(QTest::qWaitForWindowExposed(home.view.get()));
            QCoreApplication::sendPostedEvents();
            QVERIFY(saveWidgetScreenshot(home.view.get(), QStringLiteral("home-") + look));
            // The long name never widens the view, nor its delete dialog.
            QCOMPARE(home->width(), 600);
            QCOMPARE(home.configurationNames().size(), 2);
            ConfigurationListView* list = home->configurationSection()->listView();
            list->rowFor(list->order().last())->deleteButton()->click();
            QVERIFY(home->openDialog());
            QVERIFY(home->openDialog()->sizeHint().width() < 700);
            home->openDialog()->close();
        }
        QApplication::setPalette(before);
    }

    void configurationListOrderSearchAndEmptyTexts() {
        HomeWorld w;
        Home empty(w);
        QCOMPARE(empty->configurationSection()->emptyText(), QStringLiteral("No configurations created yet"));
        QVERIFY(!empty->configurationSection()->clearAllButton()->isEnabled());

        w.configuration(QStringLiteral("old never"), 9);
        w.configuration(QStringLiteral("New Never"), 1);
        w.configuration(QStringLiteral("Used long ago"), 20, 10);
        w.configuration(QStringLiteral("used lately"), 30, 2);
        // The program hands the state its context only after the window first shows.
        w.state.setModelContext(nullptr);
        Home home(w);
        QCOMPARE(home.configurationNames(),
                 QStringList({"used lately", "Used long ago", "New Never", "old never"}));

        QLineEdit* search = home->configurationSection()->searchField();
        QTest::keyClicks(search, QStringLiteral("NEVER"));
        QCOMPARE(home.configurationNames(), QStringList({"New Never", "old never"}));
        search->clear();
        QTest::keyClicks(search, QStringLiteral("E4F"));
        QVERIFY(home->displayedConfigurations().isEmpty());
        QCOMPARE(home->configurationSection()->emptyText(),
                 QStringLiteral("No configurations match your search"));
        QVERIFY(home->configurationSection()->clearAllButton()->isEnabled());
        home->configurationSection()->onSearchTextChange(QString()); // the clear button
        QCOMPARE(search->text(), QString());
        QCOMPARE(home->displayedConfigurations().size(), 4);
    }

    void aStoreThatCannotBeReadIsShownAsAnError() {
        HomeWorld w;
        Home home(w, false);
        QVERIFY(home->configurationSection()->emptyText().startsWith(QStringLiteral("Could not read")));
        QVERIFY(home->savedSection()->emptyText().startsWith(QStringLiteral("Could not read")));
        QVERIFY(w.log.lines().contains(
            QStringLiteral("❌ Failed to fetch configurations: the store is not open")));
    }

    void createConfiguration() {
        HomeWorld w;
        w.desktop.setScreens(
            {Screen{QStringLiteral("laptop"), Rect(0, 0, 1512, 982), Rect(0, 0, 1512, 944), 1.0}});
        Home home(w);
        const int version = w.state.configurationDataVersion();
        QCOMPARE(home->commands().createConfiguration(QStringLiteral("Coding")), std::nullopt);
        QCOMPARE(w.state.configurationDataVersion(), version + 1);
        QCOMPARE(home->configurationGroups().size(), 1);
        ConfigurationGroup* created = home->configurationGroups().first();
        EditConfigurationWindow* editor = EditConfigurationWindowManager::openEditorOf(w.state, created);
        QVERIFY(editor);
        QCOMPARE(created->screenHeight(), 944.0);
        QCOMPARE(created->lastActivatedAt(), std::optional(w.clock.currentDateTime()));
        // Listed at once, whatever the editor does.
        QCOMPARE(home.configurationNames(), QStringList({"Coding"}));
        editor->editConfigView()->save();
        QCOMPARE(home.configurationNames(), QStringList({"Coding"}));
        QCOMPARE(w.state.configurationDataVersion(), version + 2);
    }

    void deleteAConfiguration() {
        HomeWorld w;
        w.configuration(QStringLiteral("Keep"), 2);
        ConfigurationGroup* gone = w.configuration(QStringLiteral("<b>Gone</b>"), 1);
        PositionGroup* group = gone->addPositionGroup(QStringLiteral("One"), QString(), true);
        QVERIFY(w.context()->save());
        const QString key = uuidString(gone->id());
        Home home(w);
        w.state.setSelectedConfigurationID(key);
        QCOMPARE(w.state.selectedPositionGroupForConfig().value(key), uuidString(group->id()));
        home->commands().openEditor(gone, std::nullopt);
        QVERIFY(EditConfigurationWindowManager::openEditorOf(w.state, gone));

        home->commands().confirmRemoveConfiguration(gone);
        QCOMPARE(home->openDialog()->informativeText(),
                 QStringLiteral("This will permanently delete '<b>Gone</b>' and all of its positions."));
        QCOMPARE(home->openDialog()->findChild<QLabel*>("qt_msgbox_informativelabel")->textFormat(),
                 Qt::PlainText);
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Cancel")));
        QCOMPARE(home->configurationGroups().size(), 2);

        const int version = w.state.configurationDataVersion();
        home->commands().confirmRemoveConfiguration(gone);
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Delete")));
        QCOMPARE(home.configurationNames(), QStringList({"Keep"}));
        QCOMPARE(w.state.selectedConfigurationID(), QString());
        QVERIFY(!w.state.selectedPositionGroupForConfig().contains(key));
        QVERIFY(!EditConfigurationWindowManager::openEditorOf(w.state, gone));
        QCOMPARE(w.state.configurationDataVersion(), version + 1);
    }

    void aFailedDeleteIsUndoneAndShown() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        QVERIFY(w.context()->save());
        Home home(w);
        w.refuseSaves();
        QVERIFY(!home->commands().removeConfiguration(c));
        QCOMPARE(home->openDialog()->icon(), QMessageBox::Critical);
        QVERIFY(home->openDialog()->informativeText().contains(QStringLiteral("disk full")));
        QCOMPARE(home.configurationNames(), QStringList({"Work"}));
        QVERIFY(w.context()->contains(c));
        QVERIFY(!w.context()->hasChanges());
        QVERIFY(!home->commands().clearAllConfigurations());
        QVERIFY(!w.context()->hasChanges());
        QCOMPARE(home->configurationGroups().size(), 1);
    }

    // The home tab's questions and errors are as wide as their title needs and offer only a close
    // button: a narrow box showed its title cut to "Delete… ation?".
    void boxesFitTheirTitle() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        QVERIFY(w.context()->save());
        Home home(w);
        const auto fits = [](QMessageBox* box) {
            return box && box->isVisible() && box->width() >= DialogFrame::titleWidth(box) &&
                   !(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        };
        home->commands().confirmRemoveConfiguration(c);
        QTRY_VERIFY(fits(home->openDialog()));
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Cancel")));
        w.refuseSaves();
        QVERIFY(!home->commands().removeConfiguration(c));
        QTRY_VERIFY(fits(home->openDialog()));
    }

    void clearAllAsksFirstAndTakesHiddenOnesToo() {
        HomeWorld w;
        w.configuration(QStringLiteral("One"), 1);
        w.configuration(QStringLiteral("Two"), 2);
        QVERIFY(w.context()->save());
        Home home(w);
        QTest::keyClicks(home->configurationSection()->searchField(), QStringLiteral("one"));
        home->configurationSection()->clearAllButton()->click();
        QVERIFY(home->openDialog());
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Cancel")));
        QCOMPARE(w.storedCount(QStringLiteral("ConfigurationGroup")), 2);

        home->configurationSection()->clearAllButton()->click();
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Clear All")));
        QVERIFY(home->configurationGroups().isEmpty());
        QCOMPARE(w.storedCount(QStringLiteral("ConfigurationGroup")), 0);
        QCOMPARE(home->configurationSection()->emptyText(), QStringLiteral("No configurations created yet"));
    }

    void aConfigurationDeletedElsewhereLeavesTheList() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        w.configuration(QStringLiteral("Other"), 2);
        QVERIFY(w.context()->save());
        Home home(w);
        w.context()->deleteObject(c);
        QVERIFY(w.context()->save());
        w.clock.runDue();
        QCOMPARE(home.configurationNames(), QStringList({"Other"}));
    }

    void saveAnApplication() {
        HomeWorld w;
        w.desktop.setScreens(
            {Screen{QStringLiteral("wide"), Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875), 1.0}});
        w.desktop.run(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        w.desktop.run(QStringLiteral("org.example.Terminal"), QStringLiteral("Terminal"));
        Home home(w);
        QCOMPARE(home->runningApps().size(), 2);
        const RunningApp editor = home->runningApps().first();

        // Highlighted, not saved: "Save".
        w.state.setBundleID(editor.bundleID);
        auto* save = home->runningSection()->rows().first()->findChild<QPushButton*>();
        QVERIFY(save && save->isEnabled() && save->text() == QStringLiteral("Save"));
        QVERIFY(QTest::qWaitForWindowActive(home.view.get()));
        save->setFocus();
        QTest::keyClick(save, Qt::Key_Space);
        // The pressed button goes with its row; the focus stays in the running list.
        QCOMPARE(QApplication::focusWidget(), home->runningSection()->scrollArea());
        QCOMPARE(home->savedApps().size(), 1);
        SavedApp* saved = home->savedApps().first();
        QCOMPARE(saved->savedWidth(), 1440 * 0.33); // no window to read: the screen share
        QCOMPARE(saved->savedHeight(), 520.0);
        auto* savedButton = home->runningSection()->rows().first()->findChild<QPushButton*>();
        QVERIFY(savedButton && !savedButton->isEnabled() && savedButton->text() == QStringLiteral("Saved"));

        // The store decides what is saved already, not the tab's copy.
        const RunningApp terminal = home->runningApps().at(1);
        w.context()->insert(
            new SavedApp(terminal.bundleID, terminal.name, 10, 10, Corner::topLeft, 0.5, 0, 0));
        QVERIFY(w.context()->save());
        home->commands().saveApp(terminal);
        home->commands().saveApp(editor);
        QCOMPARE(w.context()->fetch<SavedApp>().size(), 2);

        w.refuseSaves();
        home->commands().saveApp(
            RunningApp(QStringLiteral("Mail"), QStringLiteral("org.example.Mail"), std::nullopt, false));
        QCOMPARE(home->savedApps().size(), 1);
        QCOMPARE(w.context()->fetch<SavedApp>().size(), 2);
        QVERIFY(!w.context()->hasChanges());
    }

    void savedApplications() {
        HomeWorld w;
        w.context()->insert(new SavedApp(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"), 700,
                                         500, Corner::leftHalf, 0.5, 6, 8));
        w.context()->insert(new SavedApp(QStringLiteral("org.example.Mail"), QStringLiteral("Mail"), 700, 500,
                                         Corner::rightHalf, 0.5, 6, 8));
        QVERIFY(w.context()->save());
        Home home(w);
        SavedApplicationsSectionView* section = home->savedSection();
        QCOMPARE(section->rows().size(), 2);
        QTest::keyClicks(section->searchField(), QStringLiteral("xyz"));
        QCOMPARE(section->emptyText(), QStringLiteral("No saved applications match your search"));
        section->onSearchTextChange(QString());

        SavedApp* editor = home->savedApps().first()->name() == QStringLiteral("Editor")
                               ? home->savedApps().first()
                               : home->savedApps().last();
        QTest::mouseClick(section->rows().at(home->displayedSavedApps().indexOf(editor)), Qt::LeftButton, {},
                          QPoint(3, 3));
        QCOMPARE(w.state.bundleID(), QStringLiteral("org.example.Editor"));
        QCOMPARE(w.state.corner(), Corner::leftHalf);
        QCOMPARE(w.state.marginY(), 8.0);

        home->commands().confirmRemoveSavedApp(editor);
        QCOMPARE(home->openDialog()->informativeText(),
                 QStringLiteral("This will permanently remove 'Editor' from your saved "
                                "apps."));
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Delete")));
        QCOMPARE(home->savedApps().size(), 1);
        section->clearAllButton()->click();
        QVERIFY(HomeWorld::press(home->openDialog(), QStringLiteral("Clear All")));
        QCOMPARE(section->emptyText(), QStringLiteral("No saved applications"));
        QVERIFY(!section->clearAllButton()->isEnabled());
        QCOMPARE(w.storedCount(QStringLiteral("SavedApp")), 0);
    }

    void runningApplicationsSection() {
        HomeWorld w;
        w.desktop.setTrusted(false);
        Home home(w);
        QVERIFY(!home->runningSection()->refreshButton()->isEnabled());
        w.desktop.setTrusted(true);
        w.clock.advance(3.0);
        QCOMPARE(home->runningSection()->emptyText(), QStringLiteral("No running applications found"));
        w.desktop.run(QStringLiteral("org.example.Browser"), QStringLiteral("Browser"));
        home->runningSection()->refreshButton()->click();
        QCOMPARE(home->runningSection()->rows().size(), 1);
        QTest::keyClicks(home->runningSection()->searchField(), QStringLiteral("org.example"));
        QCOMPARE(home->runningSection()->emptyText(), QStringLiteral("No applications match your search"));
    }

    // After an activation the list scrolls its row to the top, 0.3 s later.
    void scrollsToTheActivatedRow() {
        HomeWorld w;
        ConfigurationGroup* last = nullptr;
        for (int i = 0; i < 40; ++i) {
            last = w.configuration(QStringLiteral("Configuration %1").arg(i), 100 - i);
            AppWorld::addApp(last, QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        }
        last = w.configuration(QStringLiteral("Oldest"), 500);
        AppWorld::addApp(last, QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        Home home(w);
        ConfigurationListView* list = home->configurationSection()->listView();
        QScrollBar* bar = home->configurationSection()->scrollArea()->verticalScrollBar();
        QVERIFY(list->builtRows().size() < 15);
        bar->setValue(bar->maximum());
        QVERIFY(list->rowFor(last));
        list->rowFor(last)->activateButton()->click();
        w.clock.advance(0.29);
        QVERIFY(!list->isScrolling());
        w.clock.advance(0.02);
        QCOMPARE(list->order().first(), last);
        QTRY_COMPARE(bar->value(), 0);
    }

    // A window too short for the whole home (a high scale factor) scrolls the page: a list keeps its
    // rows' height up to its cap.
    void aShortPageScrollsWhileTheListsKeepTheirRows() {
        HomeWorld w;
        for (const QString name : {"Editor", "Terminal", "Browser"})
            w.configuration(name, 1);
        QScrollArea page;
        page.setWidgetResizable(true);
        auto* home = new ContentView(w.platform, w.state, w.context(), w.icons);
        page.setWidget(home);
        page.resize(600, 240);
        page.show();
        QScrollArea* list = home->configurationSection()->scrollArea();
        QTRY_COMPARE(list->height(), qMin(list->widget()->sizeHint().height(), HomeSection::maxListHeight));
        QVERIFY(page.verticalScrollBar()->maximum() > 0);
    }

    void theCreateSheetShowsAFailedCreate() {
        HomeWorld w;
        Home home(w);
        home->commands().showCreateSheet();
        w.refuseSaves();
        home->createSheet()->setConfigurationName(QStringLiteral("Coding"));
        home->createSheet()->createConfiguration();
        QVERIFY(home->createSheet() && home->createSheet()->isVisible());
        QVERIFY(home->createSheet()->error().contains(QStringLiteral("disk full")));
        QVERIFY(home->configurationGroups().isEmpty());
        QVERIFY(!home->commands().editWindowManager().currentWindow());
        QVERIFY(w.context()->fetch<ConfigurationGroup>().isEmpty());
        QVERIFY(!w.context()->hasChanges());
        QVERIFY(w.log.lines().first().startsWith(QStringLiteral("❌ Failed to create configuration: ")));
    }

    void menuBarButton() {
        HomeWorld w;
        QStringList journal;
        FakeMenuBar menuBar(journal);
        Home home(w);
        home->menuBarButton()->click(); // no manager yet: nothing
        w.state.setMenuBarManager(&menuBar);
        home->menuBarButton()->click();
        w.state.setIsMainWindowAttached(true);
        QCOMPARE(home->menuBarButton()->text(), QStringLiteral("Exit Menu Bar Mode"));
        QStringList windowJournal;
        FakeWindow window(windowJournal, QStringLiteral("main"));
        w.state.setMainWindow(&window);
        home->menuBarButton()->click();
        QCOMPARE(journal, QStringList({"showAttachedWindow", "toggleAttachedWindow"}));
    }

    // The main window makes the home view anew on every tab switch and change of menu-bar mode.
    void anOpenEditorOutlivesTheHomeViewAndEveryRoadOutLeavesTheListsTrue() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        QVERIFY(w.context()->save());
        auto home = std::make_unique<Home>(w);
        (*home)->commands().openEditor(c, std::nullopt);
        EditConfigurationWindow* editor = EditConfigurationWindowManager::openEditorOf(w.state, c);
        QVERIFY(editor);
        ConfigurationEditor& e = editor->editConfigView()->editor();
        QVERIFY(e.createPositionGroup(QStringLiteral("Split"), std::nullopt));
        home.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!editor->isFinished());
        QCOMPARE(e.positionGroups().size(), 1);

        // A running application added in the editor is a saved application at once, in the list
        // that is shown now; closing the editor by its close button keeps it there.
        Home again(w);
        w.desktop.addWindow(w.desktop.run(QStringLiteral("org.example.Mail"), QStringLiteral("Mail")),
                            SimWindow(QStringLiteral("Mail")));
        e.addRunningAppToConfiguration(
            RunningApp(QStringLiteral("Mail"), QStringLiteral("org.example.Mail"), std::nullopt, false));
        QCOMPARE(again->savedApps().size(), 1);
        editor->close();
        QVERIFY(editor->isFinished());
        QCOMPARE(again->savedApps().size(), 1);
        QCOMPARE(w.storedCount(QStringLiteral("PositionGroup")), 0);
    }

    // Another machine's changes (a sync) reach the lists without a new appearance, keeping the search.
    void theListsFollowTheStore() {
        HomeWorld w;
        ConfigurationGroup* work = w.configuration(QStringLiteral("Work"), 1);
        w.configuration(QStringLiteral("Games"), 2);
        QVERIFY(w.context()->save());
        Home home(w);
        home->configurationSection()->onSearchTextChange(QStringLiteral("o"));
        // The row, with its choice of position group, stays the same row.
        QPointer<ConfigurationRow> row = home->configurationSection()->listView()->rowFor(work);
        QVERIFY(row);
        QString error;
        auto other = ModelContainer::open(w.dir.filePath(QStringLiteral("store.sqlite")), w.clock, &error);
        QVERIFY2(other, qPrintable(error));
        other->mainContext()->insert(
            new ConfigurationGroup(QStringLiteral("Office"), 1440, 900, std::nullopt));
        other->mainContext()->insert(new SavedApp(QStringLiteral("org.example.Mail"), QStringLiteral("Mail"),
                                                  10, 10, Corner::topLeft, 0.5, 0, 0));
        QVERIFY(other->mainContext()->save(&error));
        other.reset();
        w.context()->checkForRemoteChanges();
        QCOMPARE(home.configurationNames(), QStringList({"Office", "Work"}));
        QCOMPARE(home->configurationSection()->listView()->rowFor(work), row.data());
        QCOMPARE(home->displayedConfigurations().size(), 2);
        QCOMPARE(home->configurationGroups().size(), 3);
        QCOMPARE(home->savedApps().size(), 1);
    }

    void createSheetOnRequest() {
        HomeWorld w;
        w.state.setShouldShowCreateConfiguration(true);
        Home home(w);
        QVERIFY(!w.state.shouldShowCreateConfiguration());
        QVERIFY(home->createSheet());
        home->createSheet()->setConfigurationName(QStringLiteral("From the sheet"));
        home->createSheet()->createConfiguration();
        QCOMPARE(home.configurationNames(), QStringList({"From the sheet"}));
    }
};

QTEST_MAIN(HomeViewTest)
#include "HomeViewTest.moc"
