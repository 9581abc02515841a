#include "../../app/AppWorld.h"
#include "../../app/Fakes.h"

#include "../../support/DrawnText.h"
#include "../../support/WidgetScreenshot.h"

#include "model/AppPositionMapping.h"
#include "model/PositionGroup.h"
#include "ui/QtApplicationShell.h"
#include "ui/editor/ConfigurationEditor.h"
#include "ui/editor/EditConfigurationModalView.h"
#include "ui/editor/EditConfigurationWindowManager.h"
#include "ui/editor/EditorRegistry.h"
#include "ui/home/ApplicationIcons.h"
#include "ui/home/ConfigurationRow.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/StyledButton.h"
#include "ui/menubar/CompactListHooks.h"
#include "ui/menubar/MinimizedConfigurationRow.h"
#include "ui/menubar/MinimizedHomeView.h"

#include "ui/look/ElidedLabel.h"
#include "ui/look/ElidingComboBox.h"
#include "ui/look/LookColors.h"
#include "ui/main/MainView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTextDocumentFragment>

// The compact list over the simulated desktop, shown at once.
struct CompactWorld : AppWorld {
    AppState state{platform};
    std::unique_ptr<MinimizedHomeView> view;

    CompactWorld() {
        state.setModelContext(context());
        desktop.install(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
    }

    MinimizedHomeView& show(MinimizedHomeView::Hooks hooks = {}) {
        view = std::make_unique<MinimizedHomeView>(state, *context(), std::move(hooks));
        view->show();
        return *view;
    }

    QStringList names() const {
        QStringList list;
        for (MinimizedConfigurationRow* row : view->rows())
            list << row->configuration()->name();
        return list;
    }

    int activations() const {
        return static_cast<int>(log.lines().filter(QStringLiteral("Applying configuration")).size());
    }

    // "Work" with the Editor and the groups "One" (its default) and "Two", saved.
    ConfigurationGroup* workWithTwoGroups(bool second = true) {
        ConfigurationGroup* c = configuration(QStringLiteral("Work"), 1);
        addApp(c, QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        c->addPositionGroup(QStringLiteral("One"), {}, true);
        if (second)
            c->addPositionGroup(QStringLiteral("Two"), {}, false);
        if (!context()->save())
            qFatal("the configuration could not be saved");
        return c;
    }
    static QString groupId(ConfigurationGroup* c, int index) {
        return uuidString(c->positionGroupList().at(index)->id());
    }

    // The editor of `c`, opened from the home tab.
    EditConfigurationWindow* openEditor(ConfigurationGroup* c, EditConfigurationWindow::OnSave onSave = {}) {
        return EditorRegistry::of(state)
            .listManager(QStringLiteral("home"))
            .showEditWindow(c, std::nullopt, {}, state, *context(), std::move(onSave), {});
    }
};

namespace {

// The card's own colour, read in its top padding, between its border and its content.
QColor cardColour(QWidget* row) {
    const QImage image = row->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(QPoint(row->width() / 2, 3) * ratio);
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2 && qAbs(a.blue() - b.blue()) <= 2;
}

// A configuration of the given positions, one application each, stored.
ConfigurationGroup* laidOut(CompactWorld& world, const QList<Corner>& positions) {
    ConfigurationGroup* c = world.configuration(QStringLiteral("Work"), 1);
    for (int i = 0; i < positions.size(); ++i)
        AppWorld::addApp(c, QStringLiteral("org.example.App%1").arg(i), QStringLiteral("App %1").arg(i),
                         positions.at(i));
    return c;
}

// The attached window around the compact list: ordered out while the list's editor is open.
struct ListWindow : FakeMenuBar {
    CompactWorld& world;
    explicit ListWindow(CompactWorld& w) : FakeMenuBar([](const QString&) {}), world(w) {}
    void hideAttachedWindow() override { world.view->hide(); }
    void showAttachedWindow() override { world.view->show(); }
};

} // namespace

class MinimizedHomeViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void orderSearchAndEmptyStates() {
        CompactWorld world;
        MinimizedHomeView& view = world.show();
        QCOMPARE(view.emptyStateText(), QStringLiteral("No configurations created yet"));

        ConfigurationGroup* old = world.configuration(QStringLiteral("Old"), 3);
        AppWorld::addApp(old, QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        world.configuration(QStringLiteral("New one"), 1);
        world.configuration(QStringLiteral("Used"), 5, 2);
        view.refreshModelData();
        QCOMPARE(world.names(), (QStringList{"Used", "New one", "Old"}));

        view.setSearchText(QStringLiteral("o"));
        QCOMPARE(world.names(), (QStringList{"New one", "Old"}));
        view.setSearchText(QStringLiteral(" "));
        QCOMPARE(world.names(), QStringList{"New one"});
        view.setSearchText(QStringLiteral("zzz"));
        QCOMPARE(view.emptyStateText(), QStringLiteral("No configurations match your search"));

        // An activation puts its row first at once.
        view.setSearchText(QString());
        world.view->rows().last()->activateButton()->click();
        QCOMPARE(world.names(), (QStringList{"Old", "Used", "New one"}));
    }

    void createShowsTheConfigurationAtOnce() {
        CompactWorld world;
        world.desktop.setScreens({});
        world.configuration(QStringLiteral("Earlier"), 1, 1);
        MinimizedHomeView& view = world.show();
        view.createConfiguration(QStringLiteral("Fresh"));
        QCOMPARE(world.names(), (QStringList{"Fresh", "Earlier"}));
        ConfigurationGroup* fresh = world.view->rows().first()->configuration();
        QCOMPARE(fresh->screenWidth(), 1920.0);
        QCOMPARE(fresh->screenHeight(), 1080.0);
        QVERIFY(!world.context()->hasChanges());
        QCOMPARE(world.state.configurationDataVersion(), 1);
    }

    // A row's display button follows monitors plugged in and out while the list is shown.
    void theDisplayButtonFollowsTheMonitors() {
        CompactWorld world;
        AppWorld::addApp(world.configuration(QStringLiteral("Work"), 1), QStringLiteral("org.example.Editor"),
                         QStringLiteral("Editor"));
        world.show();
        QWidget* button = world.view->rows().first()->displayButton();
        QVERIFY(!button->isVisible());
        world.desktop.setScreens({AppWorld::laptop(1.0), AppWorld::above()});
        QVERIFY(button->isVisible());
        world.desktop.setScreens({AppWorld::laptop(1.0)});
        QVERIFY(!button->isVisible());
    }

    // A sync deletes the configuration while its display menu is open: the list renders again and
    // the row goes, its menu with it, and nothing is left to crash on.
    void aRowGoesWhileItsDisplayMenuIsOpen() {
        CompactWorld world;
        world.desktop.setScreens({AppWorld::laptop(1.0), AppWorld::above()});
        ConfigurationGroup* c = world.configuration(QStringLiteral("Work"), 1);
        AppWorld::addApp(c, QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        QVERIFY(world.context()->save());
        world.show();
        QPointer<MinimizedConfigurationRow> row = world.view->rows().first();
        QStringList offered;
        // Queued: run by the menu's own loop if it has one, else by the test's turn below.
        QMetaObject::invokeMethod(
            qApp,
            [&world, &offered, c] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                    for (QAction* action : menu->actions())
                        offered << action->text();
                world.context()->deleteObject(c);
                world.context()->save();
                world.state.triggerConfigurationDataRefresh();
                // After the row's deferred deletion.
                QMetaObject::invokeMethod(
                    qApp,
                    [] {
                        if (const QPointer<QWidget> popup = QApplication::activePopupWidget())
                            popup->close();
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        row->displayButton()->click();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!row);
        QVERIFY(world.names().isEmpty());
        QCOMPARE(offered.size(), 2);
    }

    void failedCreateAndDeleteChangeNothing() {
        CompactWorld world;
        ConfigurationGroup* kept = world.configuration(QStringLiteral("Kept"), 1);
        QVERIFY(world.context()->save());
        MinimizedHomeView::Hooks hooks;
        hooks.storeNewConfiguration = [](const QString&, QString* error) -> ConfigurationGroup* {
            *error = QStringLiteral("disk full");
            return nullptr;
        };
        hooks.removeConfiguration = [](ConfigurationGroup*, QString* error) {
            *error = QStringLiteral("disk full");
            return false;
        };
        MinimizedHomeView& view = world.show(hooks);
        view.createConfiguration(QStringLiteral("Lost"));
        view.deleteConfiguration(kept);
        QCOMPARE(world.names(), QStringList{"Kept"});
        QCOMPARE(world.state.configurationDataVersion(), 0);
        QVERIFY(world.log.lines().contains(QStringLiteral("❌ Failed to create configuration: disk full")));
        QVERIFY(world.log.lines().contains(QStringLiteral("❌ Failed to delete configuration: disk full")));

        // Without a hook the list deletes and forgets the selection itself.
        world.view.reset();
        world.state.setSelectedConfigurationID(uuidString(kept->id()));
        MinimizedHomeView& plain = world.show();
        plain.deleteConfiguration(kept);
        QVERIFY(world.names().isEmpty());
        QVERIFY(world.state.selectedConfigurationID().isEmpty());
        QVERIFY(!world.context()->contains(kept));
    }

    // A sync or another list changed the store: the list refetches, keeping the search.
    void theListFollowsTheRefreshCounter() {
        CompactWorld world;
        world.configuration(QStringLiteral("Work"), 1);
        MinimizedHomeView& view = world.show();
        view.setSearchText(QStringLiteral("o"));
        QPointer<MinimizedConfigurationRow> row = view.rows().first();
        world.configuration(QStringLiteral("Office"), 2);
        world.configuration(QStringLiteral("Games"), 3);
        world.state.triggerConfigurationDataRefresh();
        QCOMPARE(world.names(), (QStringList{"Work", "Office"}));
        QCOMPARE(view.searchText(), QStringLiteral("o"));
        QCOMPARE(view.rows().first(), row.data());
    }

    // Editing here a configuration whose editor the home tab opened: the attached window hid itself
    // for the editor and comes back when that editor ends.
    void theWindowThatAskedComesBackAfterAnotherListsEditor() {
        CompactWorld world;
        QStringList journal;
        FakeMenuBar menuBar(journal);
        world.state.setMenuBarManager(&menuBar);
        ConfigurationGroup* c = world.configuration(QStringLiteral("Work"), 1);
        QVERIFY(world.context()->save());
        QObject owner;
        MinimizedHomeView& view = world.show(CompactListHooks::make(world.state, *world.context(), &owner));
        EditConfigurationWindow* editor = world.openEditor(c);
        view.editConfiguration(c);
        QCOMPARE(EditConfigurationWindowManager::openEditorOf(world.state, c), editor);
        // Leaving menu-bar mode meanwhile rebuilds the list; the window still comes back.
        world.view.reset();
        editor->editConfigView()->cancel();
        QVERIFY(journal.contains(QStringLiteral("showAttachedWindow")));
        world.state.setMenuBarManager(nullptr);
    }

    // The program's hooks delete through the home tab's clean-up, partial activation included.
    void deleteForgetsWhatPointsAtTheConfiguration() {
        CompactWorld world;
        ConfigurationGroup* gone = world.configuration(QStringLiteral("Gone"), 1);
        QVERIFY(world.context()->save());
        world.state.setConfigurationForPartialActivation(gone);
        QObject owner;
        MinimizedHomeView& view = world.show(CompactListHooks::make(world.state, *world.context(), &owner));
        view.deleteConfiguration(gone);
        QVERIFY(!world.state.configurationForPartialActivation());
    }

    void aPickedGroupActivatesOnceSettled() {
        CompactWorld world;
        ConfigurationGroup* c = world.workWithTwoGroups();
        const QString first = CompactWorld::groupId(c, 0);
        const QString second = CompactWorld::groupId(c, 1);
        world.show();
        MinimizedConfigurationRow* row = world.view->rows().first();
        QVERIFY(row->picker()->isVisibleTo(row));
        QCOMPARE(world.state.selectedPositionGroupForConfig().value(uuidString(c->id())), first);

        world.state.setSelectedConfigurationID(uuidString(c->id()));
        row->pickPositionGroup(second); // within 0.1 s of appearing
        world.clock.advance(1);
        row->pickPositionGroup(second); // the group already current
        world.clock.advance(1);
        QCOMPARE(world.activations(), 0);
        // Chosen elsewhere (the position-group shortcut): as a pick here.
        world.state.setSelectedPositionGroup(uuidString(c->id()), first);
        world.clock.advance(1);
        QCOMPARE(row->picker()->currentData().toString(), first);
        QCOMPARE(world.activations(), 1);

        row->pickPositionGroup(second);
        world.clock.advance(0.1);
        QCOMPARE(world.activations(), 2);

        // Not the selected configuration: only recorded.
        world.state.setSelectedConfigurationID(QString());
        row->pickPositionGroup(first);
        world.clock.advance(1);
        QCOMPARE(world.activations(), 2);
        QCOMPARE(world.state.selectedPositionGroupForConfig().value(uuidString(c->id())), first);

        // Another configuration selected within the 0.1 s: the step runs all the same.
        world.state.setSelectedConfigurationID(uuidString(c->id()));
        row->pickPositionGroup(second);
        world.state.setSelectedConfigurationID(QString());
        world.clock.advance(1);
        QCOMPARE(world.activations(), 3);

        // Deleted before the deferred activation runs: nothing is placed.
        world.state.setSelectedConfigurationID(uuidString(c->id()));
        row->pickPositionGroup(first);
        world.context()->deleteObject(c);
        world.clock.advance(1);
        QCOMPARE(world.activations(), 3);
    }

    // Shown again right after a hide: the 0.1 s count from the new appearance, not the one before.
    void aGroupChosenRightAfterShowingAgainIsOnlyShown() {
        CompactWorld world;
        ConfigurationGroup* c = world.workWithTwoGroups();
        const QString two = CompactWorld::groupId(c, 1);
        world.state.setSelectedConfigurationID(uuidString(c->id()));
        world.show();
        world.clock.advance(0.05);
        world.view->hide();
        world.view->show();
        world.clock.advance(0.06);
        QVERIFY(world.view->rows().first()->isInitializing());
        world.state.setSelectedPositionGroup(uuidString(c->id()), two);
        world.clock.advance(1);
        QCOMPARE(world.activations(), 0);
    }

    // A group switched in the editor of the selected configuration moves its windows at once, 0.1 s
    // later and once, whichever list opened the editor: also the compact list, hidden while its editor
    // is open; on a configuration not selected it is only shown.
    void aGroupChosenInTheEditorReactivates_data() {
        QTest::addColumn<bool>("fromList"); // opened by the compact list itself, else from home
        QTest::newRow("home") << false;
        QTest::newRow("compact list") << true;
    }
    void aGroupChosenInTheEditorReactivates() {
        QFETCH(bool, fromList);
        CompactWorld world;
        ConfigurationGroup* c = world.workWithTwoGroups();
        world.state.setSelectedConfigurationID(uuidString(c->id()));
        ListWindow attached(world);
        QObject owner;
        if (fromList) {
            world.state.setMenuBarManager(&attached);
            world.state.setIsMainWindowAttached(true);
            // The list opens its editor on the default group: not a choice, nothing moves.
            world.state.setSelectedPositionGroup(uuidString(c->id()), CompactWorld::groupId(c, 1));
        }
        world.show(fromList ? CompactListHooks::make(world.state, *world.context(), &owner)
                            : MinimizedHomeView::Hooks{});
        world.clock.advance(0.5);
        if (fromList)
            world.view->editConfiguration(c);
        EditConfigurationWindow* window =
            fromList ? EditConfigurationWindowManager::openEditorOf(world.state, c) : world.openEditor(c);
        QVERIFY(window);
        QCOMPARE(world.view->isVisible(), !fromList);
        ConfigurationEditor& editor = window->editConfigView()->editor();
        // Opening it records the group already current: nothing moves.
        world.clock.advance(0.5);
        QCOMPARE(world.activations(), 0);

        editor.selectPositionGroup(editor.positionGroups().at(1));
        QVERIFY(world.log.lines().contains(QStringLiteral(
            "🔄 MinimizedView: Position group changed to: Two - auto-activating SELECTED configuration")));
        world.clock.advance(0.09);
        QCOMPARE(world.activations(), 0);
        world.clock.advance(0.02);
        QCOMPARE(world.activations(), 1);
        QCOMPARE(world.log.lines().filter(QStringLiteral("with position group: Two")).size(), 1);

        world.state.setSelectedConfigurationID(QString());
        editor.selectPositionGroup(editor.positionGroups().at(0));
        world.clock.advance(0.5);
        window->editConfigView()->cancel();
        world.clock.advance(0.5);
        QCOMPARE(world.view->rows().first()->picker()->currentIndex(), 0);
        QCOMPARE(world.activations(), 1);
        world.state.setMenuBarManager(nullptr);
    }

    // The group the editor shows after a change of its groups reaches the rows only once Save has
    // stored it; until then, and after Cancel, they keep the group they show. A group made there for
    // the selected configuration moves the windows once, whichever list opened the editor: also the
    // compact list, hidden while its editor is open, and a row that showed no picker yet (one group
    // before). Deleting the shown group shows the first one left, not the default.
    void theEditorsGroupReachesTheRowsOnceSaved_data() {
        QTest::addColumn<bool>("compact");
        QTest::addColumn<bool>("fromList"); // opened by the compact list itself
        QTest::addColumn<int>("groups");
        QTest::addColumn<bool>("deleteShown"); // else a group is made
        QTest::newRow("home row") << false << false << 2 << false;
        QTest::newRow("home row, one group before") << false << false << 1 << false;
        QTest::newRow("compact row") << true << false << 2 << false;
        QTest::newRow("compact list") << true << true << 2 << false;
        QTest::newRow("compact list, one group before") << true << true << 1 << false;
        QTest::newRow("home row, shown group deleted, default second") << false << false << 3 << true;
        QTest::newRow("compact list, shown group deleted, default second") << true << true << 3 << true;
    }
    void theEditorsGroupReachesTheRowsOnceSaved() {
        QFETCH(bool, compact);
        QFETCH(bool, fromList);
        QFETCH(int, groups);
        QFETCH(bool, deleteShown);
        CompactWorld world;
        ConfigurationGroup* c = world.workWithTwoGroups(groups >= 2);
        if (groups == 3) {
            c->addPositionGroup(QStringLiteral("Three"), {}, false);
            c->setDefaultPositionGroup(c->positionGroupList().at(1));
            QVERIFY(world.context()->save());
        }
        const QString key = uuidString(c->id());
        const QString first = CompactWorld::groupId(c, 0);
        // Moving nothing, the deletion shows which group the rows are left with.
        if (!deleteShown)
            world.state.setSelectedConfigurationID(key);
        ApplicationIcons icons(world.platform);
        std::unique_ptr<ConfigurationRow> homeRow;
        ListWindow attached(world);
        QObject owner;
        if (fromList) {
            world.state.setMenuBarManager(&attached);
            world.state.setIsMainWindowAttached(true);
        }
        if (compact) {
            world.show(fromList ? CompactListHooks::make(world.state, *world.context(), &owner)
                                : MinimizedHomeView::Hooks{});
        } else {
            homeRow = std::make_unique<ConfigurationRow>(world.platform, world.state, c, icons,
                                                         ConfigurationRow::Callbacks{});
            homeRow->show();
        }
        const auto picker = [&] {
            return compact ? world.view->rows().first()->picker() : homeRow->picker();
        };
        QString shown;
        for (const bool save : {false, true}) {
            world.clock.advance(0.5);
            EditConfigurationWindow* window = nullptr;
            if (fromList) {
                world.view->editConfiguration(c);
                window = EditConfigurationWindowManager::openEditorOf(world.state, c);
            } else {
                window = world.openEditor(
                    c, [&world](ConfigurationGroup*) { world.state.triggerConfigurationDataRefresh(); });
            }
            QVERIFY(window);
            ConfigurationEditor& editor = window->editConfigView()->editor();
            if (deleteShown) {
                editor.selectPositionGroup(editor.positionGroups().at(2));
                editor.deletePositionGroup(editor.selectedPositionGroup());
            } else {
                editor.createPositionGroup(QStringLiteral("Made"), std::nullopt);
            }
            shown = uuidString(editor.selectedPositionGroup()->id());
            world.clock.advance(0.5);
            QCOMPARE(world.activations(), 0);
            QCOMPARE(world.state.selectedPositionGroupForConfig().value(key), first);
            QCOMPARE(picker()->currentData().toString(), first);
            if (save)
                window->editConfigView()->save();
            else
                window->editConfigView()->cancel();
            QCOMPARE(world.state.selectedPositionGroupForConfig().value(key), save ? shown : first);
        }
        world.clock.advance(0.5);
        QCOMPARE(picker()->currentData().toString(), shown);
        QCOMPARE(world.activations(), deleteShown ? 0 : 1);
        QCOMPARE(world.log.lines().filter(QStringLiteral("with position group: Made")).size(),
                 deleteShown ? 0 : 1);
        world.state.setMenuBarManager(nullptr);
    }

    // Group names whole where the row has the room: in the box beside a short configuration name, and
    // in its list (as wide as its entries need, wider than the box).
    void theGroupPickerShowsNamesWhole() {
        CompactWorld world;
        ConfigurationGroup* c = world.configuration(QStringLiteral("Work"), 1);
        c->addPositionGroup(QStringLiteral("Epsilon group"), {}, true);
        // Matches its template: drawn with the template's symbol, without the star.
        PositionGroup* thirds = c->addPositionGroup(QStringLiteral("Three Thirds"), {}, false);
        for (const Corner corner : {Corner::leftThird, Corner::centerThird, Corner::rightThird}) {
            const QString id = QStringLiteral("org.example.App%1").arg(int(corner));
            AppWorld::addApp(c, id, id);
            thirds->appendAppPosition(new AppPositionMapping(id, id, corner));
        }
        QVERIFY(world.context()->save());
        MinimizedHomeView& view = world.show();
        view.resize(428, 545);
        QComboBox* picker = view.rows().first()->picker();
        QTRY_VERIFY(picker->width() > 0);
        const QString box = DrawnText::of(picker).join(QString());
        QVERIFY2(box.startsWith(QStringLiteral("Epsilon group")) && !box.contains(QChar(0x2026)),
                 qPrintable(box));
        picker->showPopup();
        QTRY_VERIFY(picker->view()->isVisible());
        const QString list = DrawnText::of(picker->view()).join(u'|');
        picker->hidePopup();
        QVERIFY2(list.contains(QStringLiteral("Epsilon group")) &&
                     list.contains(QStringLiteral("Three Thirds")) && !list.contains(QChar(0x2026)),
                 qPrintable(list));
    }

    // A long name gives way to the controls; the strip shows three icons and the rest as "+N";
    // application names in tooltips are plain text; the delete alert names it short, and Return there
    // keeps the row.
    void rowsKeepTheirControlsInView() {
        CompactWorld world;
        ConfigurationGroup* c = world.configuration(QString(60, QLatin1Char('W')), 1);
        for (const QString& name :
             {QStringLiteral("<b>Bold</b>"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")})
            AppWorld::addApp(c, QStringLiteral("org.example.") + name, name);
        c->addPositionGroup(QStringLiteral("Mirror Layout Extended ") + QString(40, QLatin1Char('M')), {},
                            true);
        c->addPositionGroup(QStringLiteral("Second"), {}, false);
        QVERIFY(world.context()->save());
        MinimizedHomeView& view = world.show();
        view.resize(428, 545);
        MinimizedConfigurationRow* row = view.rows().first();
        QTRY_VERIFY(row->deleteButton()->width() > 0 && row->picker()->width() > 0);
        for (QWidget* control :
             {static_cast<QWidget*>(row->deleteButton()), static_cast<QWidget*>(row->picker())})
            QVERIFY(view.rect().contains(QRect(control->mapTo(&view, QPoint()), control->size())));
        QVERIFY(row->nameLabel()->text().endsWith(QChar(0x2026)));
        QVERIFY(static_cast<ElidingComboBox*>(row->picker())->shownText().endsWith(QChar(0x2026)));
        QCOMPARE(row->iconStrip(), (QStringList{"icon", "icon", "icon", "+1"}));
        QStringList tips;
        for (QLabel* label : row->findChildren<QLabel*>())
            tips << QTextDocumentFragment::fromHtml(label->toolTip()).toPlainText();
        QVERIFY(tips.contains(QStringLiteral("<b>Bold</b>")));

        row->deleteButton()->click();
        auto* alert = row->findChild<QMessageBox*>();
        QVERIFY(alert);
        // The alert names the configuration short, and is as wide as its title needs.
        QVERIFY(alert->text().contains(QChar(0x2026)));
        QTRY_VERIFY(alert->isVisible() && alert->width() >= DialogFrame::titleWidth(alert));
        QTest::keyClick(alert, Qt::Key_Return);
        QTRY_VERIFY(!row->findChild<QMessageBox*>() || !alert->isVisible());
        QCOMPARE(world.names().size(), 1);
    }

    // A card that is not selected lies on the look's control background with readable text: also
    // after it was selected and the selection moved on, and after the look changed under it.
    void cardsFollowTheLook() {
        const QPalette before = QApplication::palette();
        for (bool dark : {true, false}) {
            QApplication::setPalette(dark ? QtApplicationShell::darkPalette()
                                          : QtApplicationShell::lightPalette());
            CompactWorld world;
            ConfigurationGroup* work = world.configuration(QStringLiteral("Work"), 2, 1);
            ConfigurationGroup* pair = world.configuration(QStringLiteral("Pair"), 1);
            QVERIFY(world.context()->save());
            MinimizedHomeView& view = world.show();
            view.resize(428, 545);
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            // The selection moves from one card to the other and back, as the cycle shortcut does.
            for (ConfigurationGroup* selected : {work, pair, work, pair})
                world.state.setSelectedConfigurationID(uuidString(selected->id()));
            QCoreApplication::sendPostedEvents();
            const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
            QVERIFY(saveWidgetScreenshot(&view, QStringLiteral("compact-list-") + look));

            auto checkCards = [&world](bool darkLook) {
                for (MinimizedConfigurationRow* row : world.view->rows()) {
                    const QColor card = cardColour(row);
                    const QColor text = row->nameLabel()->palette().color(row->nameLabel()->foregroundRole());
                    QVERIFY2(qAbs(card.lightness() - text.lightness()) > 120,
                             qPrintable(row->configuration()->name() + QStringLiteral(": text ") +
                                        text.name() + QStringLiteral(" on ") + card.name()));
                    if (row->isSelected()) {
                        QVERIFY(card.blue() > card.red());
                        QCOMPARE(card.lightness() < 128, darkLook);
                    } else {
                        QVERIFY2(
                            near(card, LookColors::controlBackground(darkLook)),
                            qPrintable(row->configuration()->name() + QStringLiteral(": ") + card.name()));
                    }
                }
            };
            checkCards(dark);
            if (QTest::currentTestFailed())
                break;

            // The look changes while the list is shown.
            QApplication::setPalette(dark ? QtApplicationShell::lightPalette()
                                          : QtApplicationShell::darkPalette());
            QCoreApplication::sendPostedEvents();
            checkCards(!dark);
            if (QTest::currentTestFailed())
                break;
        }
        QApplication::setPalette(before);
    }

    // A group picked on the selected row re-activates 0.1 s later, when the list may be gone: a tab
    // change, an attach or detach, the tray going away. The activation's scroll to the row then
    // does nothing.
    void aPickedGroupOutlivesTheList() {
        CompactWorld world;
        QStringList journal;
        FakeMenuBar menuBar(journal);
        world.state.setMenuBarManager(&menuBar);
        world.state.setIsMainWindowAttached(true);
        ConfigurationGroup* c = world.workWithTwoGroups();
        const QString second = CompactWorld::groupId(c, 1);
        world.state.setSelectedConfigurationID(uuidString(c->id()));

        MainView main(world.state, world.clock,
                      {[] { return new QLabel(QStringLiteral("home")); },
                       [&world] { return CompactListHooks::makeView(world.state, *world.context()); },
                       [] { return new QLabel(QStringLiteral("shortcuts")); },
                       [] { return new QLabel(QStringLiteral("settings")); }});
        main.show();
        auto* list = qobject_cast<MinimizedHomeView*>(main.currentContent());
        QVERIFY(list);
        world.clock.advance(0.5);
        QPointer<MinimizedHomeView> gone(list);
        list->rows().first()->pickPositionGroup(second);
        main.pressTab(MainView::Tab::settings);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        world.clock.advance(0.5);
        QCOMPARE(world.activations(), 1);
        world.state.setMenuBarManager(nullptr);
    }

    // The one rearrangement a card offers, by the layout of its current group; the main window's
    // rows choose by the same rules.
    void theRearrangementControl_data() {
        QTest::addColumn<QList<Corner>>("positions");
        QTest::addColumn<QString>("control"); // title, symbol, help
        using C = Corner;
        QTest::newRow("one app") << QList<C>{C::leftHalf} << "";
        QTest::newRow("two apps anywhere")
            << QList<C>{C::leftThird, C::fullScreen} << "Swap arrow.left.arrow.right Swap app positions";
        QTest::newRow("three corners") << QList<C>{C::topLeft, C::topRight, C::bottomLeft}
                                       << "Rotate arrow.clockwise Rotate corner positions clockwise";
        QTest::newRow("four corners") << QList<C>{C::topLeft, C::topRight, C::bottomLeft, C::bottomRight}
                                      << "Rotate arrow.clockwise Rotate corner positions clockwise";
        QTest::newRow("three thirds") << QList<C>{C::leftThird, C::centerThird, C::rightThird}
                                      << "Rotate arrow.right.circle Rotate thirds positions";
        QTest::newRow("left half, right corners")
            << QList<C>{C::leftHalf, C::topRight, C::bottomRight}
            << "Swap arrow.triangle.2.circlepath Swap half and corner positions";
        QTest::newRow("right half, left corners")
            << QList<C>{C::rightHalf, C::topLeft, C::bottomLeft}
            << "Swap arrow.triangle.2.circlepath Swap half and corner positions";
        QTest::newRow("top half, bottom corners")
            << QList<C>{C::topHalf, C::bottomLeft, C::bottomRight}
            << "Rotate arrow.clockwise.circle Rotate half and corner positions";
        QTest::newRow("bottom half, top corners")
            << QList<C>{C::bottomHalf, C::topLeft, C::topRight}
            << "Rotate arrow.clockwise.circle Rotate half and corner positions";
        QTest::newRow("top half, bottom corners and a fourth")
            << QList<C>{C::topHalf, C::bottomLeft, C::bottomRight, C::bottomLeft} << "";
        QTest::newRow("no rule") << QList<C>{C::leftHalf, C::centerThird, C::fullScreen} << "";
    }
    void theRearrangementControl() {
        QFETCH(QList<Corner>, positions);
        QFETCH(QString, control);
        CompactWorld world;
        ConfigurationGroup* c = laidOut(world, positions);
        for (int i = 0; i < positions.size(); ++i)
            world.desktop.install(QStringLiteral("org.example.App%1").arg(i),
                                  QStringLiteral("App %1").arg(i));
        QVERIFY(world.context()->save());
        world.show();
        MinimizedConfigurationRow* row = world.view->rows().first();
        StyledButton* button = row->rearrangeButton();
        QCOMPARE(button->isVisibleTo(row), !control.isEmpty());
        if (control.isEmpty())
            return;
        QCOMPARE(QStringList({button->text(), button->symbol(), button->toolTip()}).join(' '), control);
        // Pressing it selects the configuration and rearranges it.
        button->click();
        QCOMPARE(world.state.selectedConfigurationID(), uuidString(c->id()));
        QVERIFY(c->configurationList().first()->corner() != positions.first());
    }

    void gateIconFadesIn() {
        CompactWorld world;
        world.desktop.setTrusted(false);
        MinimizedHomeView& view = world.show();
        QVERIFY(!view.isShowingAppIcon());
        QCOMPARE(view.gateIconOpacity(), 0.0);
        world.clock.advance(0.1);
        QVERIFY(view.isShowingAppIcon());
        QTRY_COMPARE(view.gateIconOpacity(), 1.0);
    }

    // Withdrawn while the list is on screen: the gate comes with its icon, and the list has fetched
    // what is stored for when trust comes back.
    void theGateAfterAWithdrawalIsWhole() {
        CompactWorld world;
        MinimizedHomeView& view = world.show();
        QVERIFY(!view.isShowingGate());
        world.configuration(QStringLiteral("Stored meanwhile"), 1);
        world.desktop.setTrusted(false);
        view.checkPermissionStatus();
        QVERIFY(view.isShowingGate());
        QCOMPARE(world.names(), QStringList{"Stored meanwhile"});
        QVERIFY(!view.isShowingAppIcon());
        world.clock.advance(0.1);
        QVERIFY(view.isShowingAppIcon());
        QVERIFY(view.isPollingPermission());
    }

    void gatePollsUntilGrantedAndNoticesRevocation() {
        CompactWorld world;
        world.desktop.setTrusted(false);
        MinimizedHomeView& view = world.show();
        QVERIFY(view.isShowingGate());
        QVERIFY(view.isPollingPermission());
        world.clock.advance(3);
        QVERIFY(view.isShowingGate());

        world.desktop.setTrusted(true);
        world.clock.advance(3);
        QVERIFY(!view.isShowingGate());
        QVERIFY(!view.isPollingPermission());
        QCOMPARE(world.clock.pendingCount(), 0);

        world.desktop.setTrusted(false);
        view.checkPermissionStatus();
        QVERIFY(view.isShowingGate());
        QVERIFY(view.isPollingPermission());
        QCOMPARE(world.log.lines().last(), QStringLiteral("🔐 MenuBar: Permission status changed: REVOKED"));
    }
};

QTEST_MAIN(MinimizedHomeViewTest)
#include "MinimizedHomeViewTest.moc"
