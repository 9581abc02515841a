// The configuration editor on the virtual clock with a real store file: what Cancel, Save and a
// rename leave in the file while other saves happen meanwhile, the registry of open editors, the
// position rules, the groups and the templates, the create sheet.
#include "../../support/WidgetScreenshot.h"
#include "EditorWorld.h"

#include "activation/ConfigurationActivator.h"
#include "placement/RunningAppsHelper.h"
#include "ui/editor/AppPickerList.h"
#include "ui/editor/ConfigurationAppsSection.h"
#include "ui/editor/ConfigurationNameHeader.h"
#include "ui/editor/CreateConfigurationSheet.h"
#include "ui/editor/CreatePositionGroupView.h"
#include "ui/editor/EditPositionGroupNameView.h"
#include "ui/editor/PositionGroupBar.h"
#include "ui/editor/PositionGroupChip.h"
#include "ui/editor/RunningAppsSection.h"
#include "ui/editor/SavedAppsSection.h"
#include "ui/look/ScreenFit.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>

namespace {
QStringList menuEntries(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isEnabled() ? QString() : QStringLiteral("-")) + a->text();
    return out;
}
// Presses a button of a message box by its text.
bool press(QWidget* box, const QString& text) {
    if (!box)
        return false;
    for (QAbstractButton* button : box->findChildren<QAbstractButton*>()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}
QString chipCount(const PositionGroupChip* chip) {
    return chip->findChild<QLabel*>(QStringLiteral("groupCount"))->text();
}
// The heights a widget is resized to, in order.
struct HeightLog : QObject {
    QList<int> heights;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            heights << static_cast<QResizeEvent*>(event)->size().height();
        return false;
    }
};
} // namespace

class EditorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cancelLeavesTheStoreAsItWas_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Cancel") << QStringLiteral("cancel");
        QTest::newRow("the window's close button") << QStringLiteral("close");
        // Quitting asks every window to close; one that refuses keeps the program running.
        QTest::newRow("quitting the program") << QStringLiteral("quit");
    }
    // The group sheets keep their size where it fits, and shrink to the free area where it does
    // not (1080 pixels at two and three times the scale, less a panel); their content still fits.
    void groupSheetsFitTheScreen_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("create");
        QTest::addColumn<QSize>("rename");
        QTest::newRow("1080") << QRect(0, 28, 1920, 1052) << QSize(500, 600) << QSize(400, 300);
        QTest::newRow("1080 at twice the scale")
            << QRect(0, 14, 960, 526) << QSize(500, 486) << QSize(400, 300);
        QTest::newRow("1080 at three times the scale")
            << QRect(0, 9, 640, 351) << QSize(500, 311) << QSize(400, 300);
        QTest::newRow("no screen") << QRect() << QSize(500, 600) << QSize(400, 300);
    }
    void groupSheetsFitTheScreen() {
        QFETCH(QRect, available);
        QFETCH(QSize, create);
        QFETCH(QSize, rename);
        QCOMPARE(ScreenFit::capped(QSize(500, 600), available), create);
        QCOMPARE(ScreenFit::capped(QSize(400, 300), available), rename);
        CreatePositionGroupView sheet(QStringLiteral("Work"), 3, QString(), nullptr, {});
        QVERIFY2(sheet.layout()->minimumSize().height() <= create.height(),
                 qPrintable(QString::number(sheet.layout()->minimumSize().height())));
        EditPositionGroupNameView renaming(QStringLiteral("Split"), nullptr, {});
        QVERIFY(renaming.layout()->minimumSize().height() <= rename.height());
    }

    void cancelLeavesTheStoreAsItWas() {
        QFETCH(QString, ending);
        EditorWorld w;
        w.running(QStringLiteral("xterm"), QStringLiteral("XTerm"));
        w.savedApp(QStringLiteral("gimp"), QStringLiteral("GIMP"));
        ConfigurationGroup* other =
            w.configuration(QStringLiteral("Alpha"), {{QStringLiteral("a"), Corner::topLeft}});
        ConfigurationGroup* c =
            w.configuration(QStringLiteral("Work"), {{QStringLiteral("one"), Corner::leftHalf},
                                                     {QStringLiteral("two"), Corner::rightHalf}});
        QVERIFY(w.context->save());
        const QString before = w.stored();

        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        e.addAppToConfiguration(w.context->fetch<SavedApp>().constFirst());
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("one")));
        QVERIFY(e.choosePosition(EditorWorld::app(e, QStringLiteral("two")), Corner::topHalf));
        e.createPositionGroup(QStringLiteral("Thirds"), PositionTemplate::predefinedTemplates().at(0));
        e.setDefaultPositionGroup(e.positionGroups().last());
        e.deletePositionGroup(e.positionGroups().first());
        // Meanwhile: the automatic save after another change, another writer's commit, a rename and a
        // running application kept as a saved one each write to the file.
        other->setLastActivatedAt(w.clock.currentDateTime());
        w.clock.advance(2.0);
        w.otherWriter([](ModelContext& context) {
            context.insert(new ConfigurationGroup(QStringLiteral("Beta"), 1, 1, std::nullopt));
        });
        QVERIFY(e.renameConfiguration(QStringLiteral("  Renamed ")));
        e.setRunningApps(RunningAppsHelper(w.platform).getRunningApps());
        QVERIFY(e.addRunningAppToConfiguration(e.runningApps().constFirst()));
        w.clock.advance(2.0);

        if (ending == QLatin1String("close"))
            QVERIFY(window->close());
        else if (ending == QLatin1String("quit"))
            QApplication::closeAllWindows();
        else
            window->editConfigView()->cancel();
        QVERIFY(window->isFinished());
        QVERIFY(!window->isVisible());
        QCOMPARE(w.cancels, 1);
        QCOMPARE(w.saves, 0);
        QCOMPARE(w.manager.currentWindow(), nullptr);
        w.clock.advance(2.0);
        QString expected = before;
        expected.replace(QStringLiteral(";Work/"), QStringLiteral(";Beta/-;Renamed/"));
        expected.replace(QStringLiteral("gimp"), QStringLiteral("gimp;xterm"));
        QCOMPARE(w.stored(), expected);
    }

    void saveWritesTheEditsWithoutOrphans() {
        EditorWorld w;
        ConfigurationGroup* c = w.workBesideGimp();
        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        e.createPositionGroup(QStringLiteral(" Corners "), std::nullopt);
        const QString deletedDefault = uuidString(e.positionGroups().first()->id());
        e.deletePositionGroup(e.positionGroups().first());
        QCOMPARE(e.defaultPositionGroup(), nullptr);
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("one")));
        // The first position of the order that the remaining application does not hold.
        QVERIFY(e.choosePosition(EditorWorld::app(e, QStringLiteral("two")), Corner::topLeft));
        AppConfiguration* gimp = e.addAppToConfiguration(w.context->fetch<SavedApp>().constFirst());
        QCOMPARE(e.selectedCorner(gimp), Corner::topRight);

        window->editConfigView()->save();
        QCOMPARE(w.saves, 1);
        QVERIFY(window->isFinished());
        const QString groupID = uuidString(c->positionGroupList().constFirst()->id());
        QCOMPARE(w.stored(), QStringLiteral("Work/") + deletedDefault +
                                 QStringLiteral(" | two@rightHalf;gimp@topRight | Corners=") + groupID +
                                 QStringLiteral(" | two@topLeft;gimp@topRight | gimp"));
    }

    // Save writes what the editor changed: a swap and a sync's rename made meanwhile stay; a removed
    // application takes its positions in every group along.
    void saveKeepsWhatChangedElsewhereMeanwhile() {
        EditorWorld w;
        ConfigurationGroup* c = w.workBesideGimp();
        EditConfigurationWindow* window = w.open(c);
        ConfigurationActivator(w.platform, ConfigurationActivator::Variant::mainWindow,
                               {c, w.state.get(), [] { return QString(); }, {}})
            .swapTwoAppPositions();
        QVERIFY(w.context->save());
        w.otherWriter([](ModelContext& context) {
            context.fetch<PositionGroup>().constFirst()->setName(QStringLiteral("Synced"));
        });
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("two")));
        // The chip counts the applications its group places, not the removed one's mapping.
        QCOMPARE(chipCount(window->editConfigView()->groupBar()->chips().constFirst()),
                 QStringLiteral("(1)"));
        e.addAppToConfiguration(w.context->fetch<SavedApp>().constFirst());
        window->editConfigView()->save();
        QCOMPARE(w.stored(), QStringLiteral("Work/%1 | one@rightHalf;gimp@topLeft | Synced=%1 | "
                                            "one@rightHalf;gimp@topLeft | gimp")
                                 .arg(uuidString(c->positionGroupList().constFirst()->id())));
    }

    void aFailedSaveKeepsTheEditorOpen() {
        EditorWorld w;
        ConfigurationGroup* c =
            w.configuration(QStringLiteral("Work"), {{QStringLiteral("one"), Corner::leftHalf}});
        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        QVERIFY(e.choosePosition(EditorWorld::app(e, QStringLiteral("one")), Corner::bottomHalf));
        const QString before = w.stored();
        QVERIFY(w.refuseWrites(QStringLiteral("AppPositionMapping")));
        window->editConfigView()->save();
        QVERIFY(!window->isFinished());
        QCOMPARE(w.saves, 0);
        QVERIFY(window->editConfigView()->saveError().contains(QStringLiteral("disk says no")));
        QCOMPARE(w.stored(), before);
        QVERIFY(w.allow(QStringLiteral("AppPositionMapping")));
        window->editConfigView()->save();
        QCOMPARE(w.saves, 1);
        QVERIFY(w.stored().contains(QStringLiteral("one@bottomHalf")));
    }

    void theNameIsWrittenOnItsOwn() {
        EditorWorld w;
        ConfigurationGroup* c =
            w.configuration(QStringLiteral("Work"), {{QStringLiteral("one"), Corner::leftHalf}});
        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        ConfigurationNameHeader* header = window->editConfigView()->nameHeader();
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("one")));
        const int version = w.state->configurationDataVersion();

        header->startNameEditing();
        QCOMPARE(header->editingName(), QStringLiteral("Work"));
        header->setEditingName(QStringLiteral("   "));
        header->saveConfigurationName();
        QVERIFY(header->isEditingName());

        // A failed write keeps the field open with the error and the old name everywhere.
        QVERIFY(w.refuseWrites(QStringLiteral("ConfigurationGroup")));
        header->setEditingName(QStringLiteral("  Play "));
        header->saveConfigurationName();
        QVERIFY(header->isEditingName());
        QVERIFY(header->error().contains(QStringLiteral("disk says no")));
        QCOMPARE(header->displayedName(), QStringLiteral("Edit Configuration: Work"));
        QCOMPARE(c->name(), QStringLiteral("Work"));
        QCOMPARE(w.state->configurationDataVersion(), version);

        QVERIFY(w.allow(QStringLiteral("ConfigurationGroup")));
        header->saveConfigurationName();
        QVERIFY(!header->isEditingName());
        QCOMPARE(header->displayedName(), QStringLiteral("Edit Configuration: Play"));
        QCOMPARE(w.state->configurationDataVersion(), version + 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("Edit Configuration: Work"));
        // Only the name reached the file: the removed application is still stored.
        QVERIFY(w.stored().startsWith(QStringLiteral("Play/")));
        QVERIFY(w.stored().contains(QStringLiteral("one@leftHalf")));
    }

    // A name spreads to every machine: a thousand characters at most (an emoji counts as one), said
    // where it is typed, and nothing is stored.
    void aNameHasAtMostAThousandCharacters() {
        EditorWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), {});
        EditConfigurationWindow* window = w.open(c);
        ConfigurationNameHeader* header = window->editConfigView()->nameHeader();
        header->startNameEditing();
        header->setEditingName(QString(1001, u'n'));
        header->saveConfigurationName();
        QVERIFY(header->isEditingName());
        QCOMPARE(header->error(), QStringLiteral("The name is too long: 1,001 characters, at most 1,000."));
        QCOMPARE(c->name(), QStringLiteral("Work"));
        QVERIFY(w.stored().startsWith(QStringLiteral("Work/")));
        const QString rockets = QStringLiteral("🚀").repeated(1000);
        header->setEditingName(rockets);
        header->saveConfigurationName();
        QVERIFY(!header->isEditingName());
        QCOMPARE(c->name(), rockets);

        QStringList created;
        CreateConfigurationSheet sheet(nullptr, [&](const QString& name, QString*) {
            created << name;
            return true;
        });
        sheet.show();
        sheet.setConfigurationName(QString(1001, u'n'));
        sheet.createConfiguration();
        QVERIFY(created.isEmpty());
        QVERIFY(sheet.isVisible());
        QVERIFY(sheet.error().contains(QStringLiteral("too long")));
    }

    void oneEditorPerConfigurationAndPerList() {
        EditorWorld w;
        ConfigurationGroup* a =
            w.configuration(QStringLiteral("A"), {{QStringLiteral("one"), Corner::leftHalf}});
        ConfigurationGroup* b = w.configuration(QStringLiteral("B"), {});
        ConfigurationGroup* c = w.configuration(QStringLiteral("C"), {});
        EditConfigurationWindowManager menuBarList;
        EditConfigurationWindow* first = w.open(a);
        QCOMPARE(w.open(a), first);
        QCOMPARE(w.open(a, std::nullopt, &menuBarList), first);
        QCOMPARE(menuBarList.currentWindow(), nullptr);
        QCOMPARE(EditConfigurationWindowManager::openEditorOf(*w.state, a), first);

        // Opening another configuration from the same list asks before it drops unsaved edits.
        ConfigurationEditor& e = EditorWorld::editorOf(first);
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("one")));
        QCOMPARE(w.open(b), nullptr);
        QVERIFY(press(first->discardQuestion(), QStringLiteral("Keep Editing")));
        QVERIFY(!first->isFinished());
        QCOMPARE(e.apps().size(), 0);
        // Nor on a configuration deleted while the user is asked, here or by sync: the edits stay and
        // the list is told as by a Cancel.
        for (const bool bySync : {false, true}) {
            ConfigurationGroup* deleted = w.configuration(QStringLiteral("Deleted"), {});
            QCOMPARE(w.open(deleted), nullptr);
            if (bySync)
                w.otherWriter([](ModelContext& context) {
                    for (ConfigurationGroup* other : context.fetch<ConfigurationGroup>())
                        if (other->name() == QLatin1String("Deleted"))
                            context.deleteObject(other);
                });
            else
                w.context->deleteObject(deleted);
            QVERIFY(w.context->save());
            QVERIFY(press(first->discardQuestion(), QStringLiteral("Discard Changes")));
            QCOMPARE(w.manager.currentWindow(), first);
        }
        QCOMPARE(e.apps().size(), 0);
        QCOMPARE(w.cancels, 2);
        QCOMPARE(w.open(b), nullptr);
        QPointer<EditConfigurationWindow> gone(first);
        QVERIFY(press(first->discardQuestion(), QStringLiteral("Discard Changes")));
        EditConfigurationWindow* second = w.manager.currentWindow();
        QVERIFY(second && second != first && first->isFinished());
        QCOMPARE(w.cancels, 2);
        QVERIFY(w.stored().contains(QStringLiteral("one@leftHalf")));
        QTRY_VERIFY(!gone);

        // The other list keeps its own editor; an editor without edits closes without a word.
        EditConfigurationWindow* third = w.open(c, std::nullopt, &menuBarList);
        QVERIFY(!second->isFinished());
        QCOMPARE(w.open(a, std::nullopt, &menuBarList)->configuration(), a);
        QVERIFY(third->isFinished());
        EditConfigurationWindowManager::closeEditorOf(*w.state, a);
        QCOMPARE(menuBarList.currentWindow(), nullptr);
        QCOMPARE(w.cancels, 2);

        // A list that asks for an editor another list opened follows it: its callbacks run too, so a
        // window that hid itself for the editor comes back.
        w.open(b, std::nullopt, &menuBarList)->editConfigView()->cancel();
        QCOMPARE(w.cancels, 4);
    }

    void anEditorWhoseConfigurationIsDeletedCloses() {
        EditorWorld w;
        ConfigurationGroup* c =
            w.configuration(QStringLiteral("Gone"), {{QStringLiteral("one"), Corner::leftHalf}});
        EditConfigurationWindow* window = w.open(c);
        w.otherWriter([](ModelContext& context) {
            context.deleteObject(context.fetch<ConfigurationGroup>().constFirst());
        });
        QVERIFY(window->isFinished());
        QCOMPARE(w.cancels, 1);
        QMessageBox* message = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("configurationDeletedMessage"))
                message = qobject_cast<QMessageBox*>(top);
        QVERIFY(message);
        QVERIFY(message->text().contains(QStringLiteral("“Gone”")));
        message->close();
    }

    void positionRules() {
        EditorWorld w;
        ConfigurationGroup* c =
            w.configuration(QStringLiteral("Work"), {{QStringLiteral("one"), Corner::leftHalf}});
        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        ConfigurationAppsSection* section = window->editConfigView()->appsSection();
        AppConfiguration* one = EditorWorld::app(e, QStringLiteral("one"));
        // Alone, an application may take the whole screen.
        QCOMPARE(menuEntries(section->positionMenu(one)).size(), 15);
        QCOMPARE(menuEntries(section->positionMenu(one)).last(), QStringLiteral("Full Screen"));

        w.savedApp(QStringLiteral("two"), QStringLiteral("Two"));
        AppConfiguration* two = e.addAppToConfiguration(w.context->fetch<SavedApp>().constFirst());
        QCOMPARE(e.selectedCorner(two), Corner::topLeft);
        const QStringList entries = menuEntries(section->positionMenu(two));
        QCOMPARE(entries.size(), 14);
        QVERIFY(entries.contains(QStringLiteral("-Left Half\tONE")));
        QCOMPARE(section->positionButton(one)->text(), QStringLiteral("Left Half"));
        // A held position cannot be chosen; choosing moves the label and frees the old one.
        QVERIFY(!e.choosePosition(two, Corner::leftHalf));
        QVERIFY(e.choosePosition(two, Corner::rightHalf));
        QVERIFY(menuEntries(section->positionMenu(one)).contains(QStringLiteral("-Right Half\tTwo")));
        QVERIFY(menuEntries(section->positionMenu(one)).contains(QStringLiteral("Top Left")));

        // An application without a mapping in the selected group holds its own stored position, as
        // activation uses it, and the preview places it there.
        PositionGroup* bare = e.createPositionGroup(QStringLiteral("Bare"), std::nullopt);
        QCOMPARE(e.selectedPositionGroup(), bare);
        QCOMPARE(e.selectedCorner(one), Corner::leftHalf);
        QCOMPARE(e.ownerForCorner(Corner::leftHalf, two)->first, QStringLiteral("one"));
        w.running(QStringLiteral("one"), QStringLiteral("One"));
        w.running(QStringLiteral("two"), QStringLiteral("Two"));
        w.desktop.takeJournal();
        window->editConfigView()->appsSection()->previewButton()->click();
        w.clock.advance(1.0);
        QStringList placed;
        for (const QString& line : w.log.take())
            if (line.startsWith(QStringLiteral("🎯 Applied")))
                placed << line;
        QCOMPARE(placed, QStringList({QStringLiteral("🎯 Applied position preview for ONE to leftHalf"),
                                      QStringLiteral("🎯 Applied position preview for Two to topLeft")}));

        // Four applications at most.
        for (const char* id : {"three", "four", "five"})
            e.addAppToConfiguration(w.savedApp(QLatin1String(id), QLatin1String(id)));
        QCOMPARE(e.apps().size(), 4);
    }

    // A name from another machine may be of any length: the editor and its sheets keep their widths.
    void longNamesCannotWidenTheEditor() {
        EditorWorld w;
        const QString longName(10000, QLatin1Char('W'));
        ConfigurationGroup* c = w.configuration(longName, {{QStringLiteral("one"), Corner::leftHalf}});
        c->configurationList().first()->setAppName(longName);
        c->positionGroupList().first()->setName(longName);
        EditConfigurationWindow* window = w.open(c);
        // The scrolled sections too: wider ones would push the rows' buttons out of sight.
        QVERIFY(window->minimumSizeHint().width() <= EditConfigurationWindow::width);
        QVERIFY(window->editConfigView()->sectionsScroll()->widget()->minimumSizeHint().width() <=
                EditConfigurationWindow::width);
        QVERIFY(window->windowTitle().size() < 200);
        QCOMPARE(window->editConfigView()->nameHeader()->displayedName(),
                 QStringLiteral("Edit Configuration: ") + longName);
        PositionGroupBar* bar = window->editConfigView()->groupBar();
        bar->showCreatePositionGroup();
        QVERIFY(bar->templatePicker()->minimumSizeHint().width() <= 500);
        bar->templatePicker()->cancel();
    }

    void escapeCancelsTheNameEditingWhereverTheFocusIs() {
        EditorWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), {});
        EditConfigurationWindow* window = w.open(c);
        QVERIFY(QTest::qWaitForWindowActive(window));
        ConfigurationNameHeader* header = window->editConfigView()->nameHeader();
        header->startNameEditing();
        header->setEditingName(QStringLiteral("Other"));
        // The field gives the keyboard focus up; the key then reaches the window itself.
        w.clock.advance(ConfigurationNameHeader::focusClearDelay);
        QCOMPARE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!header->isEditingName());
        QCOMPARE(c->name(), QStringLiteral("Work"));
    }

    void groups() {
        EditorWorld w;
        ConfigurationGroup* c = w.configuration(
            QStringLiteral("Work"),
            {{QStringLiteral("a"), Corner::topLeft}, {QStringLiteral("b"), Corner::topRight}}, false);
        EditConfigurationWindow* window = w.open(c);
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        PositionGroupBar* bar = window->editConfigView()->groupBar();
        QCOMPARE(bar->title(), QStringLiteral("Position Groups (0)"));

        bar->showCreatePositionGroup();
        CreatePositionGroupView* picker = bar->templatePicker();
        QVERIFY(picker);
        picker->select(CreatePositionGroupView::filteredTemplates(2).at(0));
        QCOMPARE(picker->groupName(), QStringLiteral("Left & Right"));
        picker->createGroup();
        QVERIFY(!picker->isVisible());
        QCOMPARE(e.defaultPositionGroup(), e.selectedPositionGroup());
        QCOMPARE(e.selectedCorner(EditorWorld::app(e, QStringLiteral("b"))), Corner::rightHalf);

        // A second group is selected but does not become the default.
        PositionGroup* second = e.createPositionGroup(QStringLiteral("Second"), std::nullopt);
        QCOMPARE(e.selectedPositionGroup(), second);
        QCOMPARE(e.defaultPositionGroup()->name(), QStringLiteral("Left & Right"));
        // Not stored yet: not the choice the rows act on.
        QVERIFY(!w.state->selectedPositionGroupForConfig().contains(uuidString(c->id())));
        QCOMPARE(bar->chips().size(), 2);
        QVERIFY(bar->chips().at(0)->isDefault());
        QVERIFY(bar->chips().at(1)->isSelected());

        // Renaming: blank refused on Return, the sheet stays; a name is trimmed.
        bar->startEditingPositionGroupName(second);
        EditPositionGroupNameView* rename = bar->renameSheet();
        rename->setLocalGroupName(QStringLiteral("  "));
        QTest::keyClick(rename->findChild<QLineEdit*>(), Qt::Key_Return);
        QVERIFY(rename->isVisible());
        rename->setLocalGroupName(QStringLiteral(" Focus "));
        rename->saveGroupName();
        QCOMPARE(second->name(), QStringLiteral("Focus"));

        // Deleting the default leaves none: no star, every chip offers "Set as Default". Deleting the
        // selected group selects the first one left; deleting the last clears the selection.
        e.selectPositionGroup(e.positionGroups().first());
        e.setDefaultPositionGroup(e.positionGroups().first());
        e.deletePositionGroup(e.positionGroups().first());
        QCOMPARE(e.defaultPositionGroup(), nullptr);
        QCOMPARE(e.selectedPositionGroup(), second);
        QVERIFY(!bar->chips().at(0)->isDefault());
        QVERIFY(menuEntries(bar->chips().at(0)->menu()).contains(QStringLiteral("Set as Default")));
        e.deletePositionGroup(second);
        QCOMPARE(e.selectedPositionGroup(), nullptr);
        QCOMPARE(w.state->selectedPositionGroupForConfig().value(uuidString(c->id())), QString());

        // Saving without groups makes the positions a "Custom" default group.
        window->editConfigView()->save();
        QCOMPARE(c->positionGroupList().size(), 1);
        QCOMPARE(c->defaultPositionGroup()->name(), QStringLiteral("Custom"));
        QCOMPARE(c->defaultPositionGroup()->getPosition(QStringLiteral("b")),
                 std::optional(Corner::topRight));
    }

    void templatesFollowTheNumberOfApplications_data() {
        QTest::addColumn<int>("apps");
        QTest::addColumn<int>("offered");
        QTest::addColumn<QString>("first");
        QTest::newRow("none") << 0 << 9 << "Left & Right";
        QTest::newRow("two") << 2 << 9 << "Left & Right";
        QTest::newRow("three") << 3 << 6 << "Three Thirds";
        QTest::newRow("four") << 4 << 1 << "Four Corners";
        QTest::newRow("five") << 5 << 0 << "";
    }
    void templatesFollowTheNumberOfApplications() {
        QFETCH(int, apps);
        QFETCH(int, offered);
        QFETCH(QString, first);
        const QList<PositionTemplate> templates = CreatePositionGroupView::filteredTemplates(apps);
        QCOMPARE(templates.size(), offered);
        QCOMPARE(templates.isEmpty() ? QString() : templates.first().name, first);
    }

    // Every height change animates from where the window stands, also after an earlier one has
    // finished: the window never shows the new height first.
    void heightChangesAnimateFromTheCurrentHeight() {
        EditorWorld w;
        EditConfigurationWindow* window = w.open(w.configuration(QStringLiteral("Work"), {}));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (int target : {400, 300, 350}) {
            const int from = window->QWidget::height();
            const bool shrinking = target < window->frameGeometry().height();
            HeightLog log;
            window->installEventFilter(&log);
            window->changeHeight(target);
            QTRY_COMPARE(window->frameGeometry().height(), target);
            window->removeEventFilter(&log);
            QVERIFY(!log.heights.isEmpty());
            for (int i = 0; i < log.heights.size(); ++i) {
                const int previous = i ? log.heights.at(i - 1) : from;
                QVERIFY2(shrinking ? log.heights.at(i) <= previous : log.heights.at(i) >= previous,
                         qPrintable(QStringLiteral("%1 to %2: %3")
                                        .arg(from)
                                        .arg(target)
                                        .arg(QString::number(log.heights.at(i)))));
            }
        }
    }

    void runningApplications() {
        EditorWorld w;
        w.running(QStringLiteral("xterm"), QStringLiteral("XTerm"));
        w.running(QStringLiteral("xlogo"), QStringLiteral("xlogo"));
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), {});
        EditConfigurationWindow* window = w.open(c);
        window->show();
        RunningAppsSection* section = window->editConfigView()->runningSection();
        QCOMPARE(section->list()->isVisible(), false);
        // Low on the screen: growing, it rises rather than leave the visible frame.
        const QRect visible = window->screen()->availableGeometry();
        window->move(window->x(), visible.bottom() - window->frameGeometry().height() - 10);
        section->toggle();
        QVERIFY(w.preferences.boolValue(AppState::showRunningAppsInEditModalKey, false));
        // Taller (800, as far as the screen's visible frame has room).
        QTRY_VERIFY(window->targetHeight() > 600);
        QVERIFY(window->targetHeight() <= qMin(800, visible.height()));
        QTRY_COMPARE(window->QWidget::height(), window->targetHeight());
        QVERIFY(visible.contains(window->frameGeometry()));
        w.clock.runDue();
        QCOMPARE(section->list()->visibleNames(), QStringList({"xlogo", "XTerm"}));
        section->list()->setSearchText(QStringLiteral("TER"));
        QCOMPARE(section->list()->visibleNames(), QStringList({"XTerm"}));
        section->list()->setSearchText(QStringLiteral("zz"));
        QCOMPARE(section->list()->emptyText(), QStringLiteral("No applications match your search"));

        // An application whose entry cannot be kept is not added, and the error line says why until
        // an addition goes through.
        w.desktop.keepFailures.insert(QStringLiteral("xterm"), QStringLiteral("Permission denied"));
        section->list()->addButton(QStringLiteral("xterm"))->click();
        auto* errorLine = window->editConfigView()->findChild<QLabel*>(QStringLiteral("saveError"));
        QVERIFY(errorLine && errorLine->isVisible());
        QCOMPARE(errorLine->text(), QStringLiteral("Could not add 'XTerm': Permission denied"));
        QCOMPARE(errorLine->textFormat(), Qt::PlainText);
        QVERIFY(EditorWorld::editorOf(window).apps().isEmpty());
        saveWidgetScreenshot(window, QStringLiteral("editor-running-app-not-kept"));
        w.desktop.keepFailures.clear();

        // Adding keeps the application as a saved one once, and the saved list shows it at once.
        section->list()->addButton(QStringLiteral("xterm"))->click();
        QVERIFY(!errorLine->isVisible());
        QVERIFY(!section->list()->addButton(QStringLiteral("xterm"))->isEnabled());
        QCOMPARE(window->editConfigView()->savedSection()->list()->visibleNames(), QStringList({"XTerm"}));
        ConfigurationEditor& e = EditorWorld::editorOf(window);
        e.removeAppFromConfiguration(EditorWorld::app(e, QStringLiteral("xterm")));
        section->list()->addButton(QStringLiteral("xterm"))->click();
        QCOMPARE(w.context->fetch<SavedApp>().size(), 1);
        QVERIFY(w.stored().endsWith(QStringLiteral("| xterm")));

        // A failed write of the saved application takes it out again; the addition goes on.
        QVERIFY(w.refuseWrites(QStringLiteral("SavedApp")));
        section->list()->addButton(QStringLiteral("xlogo"))->click();
        QCOMPARE(e.apps().size(), 2);
        QCOMPARE(w.context->fetch<SavedApp>().size(), 1);
        QVERIFY(w.allow(QStringLiteral("SavedApp")));
        QVERIFY(w.context->save());
        QVERIFY(w.stored().endsWith(QStringLiteral("| xterm")));
    }

    void createSheet() {
        EditorWorld w;
        QStringList names;
        bool succeed = false;
        CreateConfigurationSheet sheet(nullptr, [&](const QString& name, QString* error) {
            names << name;
            if (!succeed)
                *error = QStringLiteral("database or disk is full; the folder /home/user/.local/share/"
                                        "quarlin has no room left for the store's journal");
            return succeed;
        });
        sheet.show();
        auto* field = sheet.findChild<QLineEdit*>();
        sheet.setConfigurationName(QStringLiteral(" \t "));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(names.isEmpty());
        sheet.setConfigurationName(QStringLiteral("  Dev Setup "));
        sheet.createConfiguration();
        QCOMPARE(names, QStringList({"Dev Setup"}));
        QVERIFY(sheet.isVisible());
        QVERIFY(sheet.error().contains(QStringLiteral("disk is full")));
        // Every wrapped line of it in view: the sheet grows to the label's height at its width.
        auto* shown = sheet.findChild<QLabel*>(QStringLiteral("createError"));
        QTRY_VERIFY(shown->height() >= shown->heightForWidth(shown->width()));
        succeed = true;
        sheet.createConfiguration();
        QVERIFY(!sheet.isVisible());
        QCOMPARE(sheet.configurationName(), QString());

        // The shared create: stored on its own, taken back when the write fails.
        ConfigurationGroup* created =
            CreateConfigurationSheet::storeNewConfiguration(*w.state, *w.context, QStringLiteral("New"));
        QVERIFY(created);
        QCOMPARE(created->screenWidth(), 1440.0);
        QVERIFY(w.refuseWrites(QStringLiteral("ConfigurationGroup")));
        QString error;
        QCOMPARE(CreateConfigurationSheet::storeNewConfiguration(*w.state, *w.context, QStringLiteral("No"),
                                                                 &error),
                 nullptr);
        QVERIFY(error.contains(QStringLiteral("disk says no")));
        QCOMPARE(w.context->fetch<ConfigurationGroup>().size(), 1);
    }
};

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
