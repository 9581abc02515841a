// A configuration row of the home tab: what it shows for its configuration, the selection, the
// position-group picker and when a pick re-activates, the one layout button, the display menu.
#include "../../support/DrawnText.h"
#include "HomeWorld.h"
#include "model/AppPositionMapping.h"
#include "model/PositionGroup.h"
#include "model/PositionTemplate.h"
#include "ui/QtApplicationShell.h"
#include "ui/home/ConfigurationRow.h"
#include "ui/home/HomeLook.h"
#include "ui/home/LayoutButtonChoice.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

namespace {

const QStringList bundleIDs = {"org.example.Editor", "org.example.Terminal", "org.example.Browser",
                               "org.example.Mail", "org.example.Missing"};

struct Row {
    std::unique_ptr<ConfigurationRow> row;
    QStringList removed;
    QList<std::optional<QString>> edited;

    Row(HomeWorld& w, ConfigurationGroup* c) {
        ConfigurationRow::Callbacks callbacks;
        callbacks.onRemove = [this] { removed << QStringLiteral("removed"); };
        callbacks.onEdit = [this](std::optional<QString> id) { edited << id; };
        row = std::make_unique<ConfigurationRow>(w.platform, w.state, c, w.icons, callbacks);
        row->show();
    }
    ConfigurationRow* operator->() const { return row.get(); }
};

int applyingLines(const QStringList& lines) {
    return int(lines.filter(QStringLiteral("🚀 Applying configuration: ")).size());
}

} // namespace

class HomeRowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countTextAndIconStrip_data() {
        QTest::addColumn<int>("apps");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("icons");
        QTest::addColumn<QString>("overflow");
        QTest::newRow("none") << 0 << "0 apps" << 0 << "";
        QTest::newRow("one") << 1 << "1 app" << 1 << "";
        QTest::newRow("four") << 4 << "4 apps" << 4 << "";
        QTest::newRow("five") << 5 << "5 apps" << 4 << "+1";
    }
    void countTextAndIconStrip() {
        QFETCH(int, apps);
        QFETCH(QString, count);
        QFETCH(int, icons);
        QFETCH(QString, overflow);
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        for (int i = 0; i < apps; ++i)
            AppWorld::addApp(c, bundleIDs.at(i), bundleIDs.at(i).section('.', -1));
        Row row(w, c);
        QCOMPARE(row->countLabel()->text(), count);
        QCOMPARE(row->iconStripSize(), icons);
        QCOMPARE(row->overflowLabel()->text(), overflow);
        QCOMPARE(row->activateButton()->isEnabled(), apps > 0);
        // A new application shows once the data version moves.
        AppWorld::addApp(c, QStringLiteral("org.example.Other"), QStringLiteral("Other"));
        w.state.triggerConfigurationDataRefresh();
        QCOMPARE(row->appCount(), apps + 1);
    }

    void pickerListsGroupsAndSeedsTheSelection() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        AppWorld::addApp(c, bundleIDs.at(0), QStringLiteral("Editor"));
        PositionGroup* first = c->addPositionGroup(QStringLiteral("Focus"), QString(), false);
        {
            Row single(w, c);
            QVERIFY(!single->picker()->isVisibleTo(single.row.get()));
        }
        PositionGroup* second = c->addPositionGroup(QStringLiteral("Mine"), QString(), true);
        const QString key = uuidString(c->id());

        w.state.setSelectedPositionGroup(key, QString()); // an empty entry is replaced by the default
        Row row(w, c);
        QVERIFY(row->picker()->isVisibleTo(row.row.get()));
        QCOMPARE(row->picker()->count(), 2);
        QCOMPARE(row->picker()->itemText(1), QStringLiteral("Mine ★"));
        QCOMPARE(w.state.selectedPositionGroupForConfig().value(key), uuidString(second->id()));
        QCOMPARE(row->picker()->currentIndex(), 1);

        // A chosen group survives the row coming on screen again.
        w.state.setSelectedPositionGroup(key, uuidString(first->id()));
        row->hide();
        row->show();
        QCOMPARE(w.state.selectedPositionGroupForConfig().value(key), uuidString(first->id()));
        QCOMPARE(row->picker()->currentIndex(), 0);

        // Its symbols follow a change of look.
        row->setPalette(QtApplicationShell::darkPalette());
        const QColor text = QtApplicationShell::darkPalette().color(QPalette::ButtonText);
        const QSize size(16, 16);
        QCOMPARE(row->picker()->itemIcon(0).pixmap(size).toImage(),
                 HomeLook::symbol(QStringLiteral("star.fill"), text).pixmap(size).toImage());
    }

    // Group names whole where there is room: in the box while the row has it, and in its list (as
    // wide as its entries need, whatever the box's width).
    void pickerShowsGroupNamesWhole() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        c->addPositionGroup(QStringLiteral("Epsilon group"), QString(), true);
        // Matches its template: drawn with the template's symbol, without the star.
        PositionGroup* thirds = c->addPositionGroup(QStringLiteral("Three Thirds"), QString(), false);
        for (const Corner corner : {Corner::leftThird, Corner::centerThird, Corner::rightThird}) {
            const QString id = bundleIDs.at(int(c->configurationList().size()));
            AppWorld::addApp(c, id, id.section('.', -1));
            thirds->appendAppPosition(new AppPositionMapping(id, id.section('.', -1), corner));
        }
        Row row(w, c);
        row->resize(900, row->sizeHint().height());
        QComboBox* picker = row->picker();
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

    void clickSelectsAndDeselects() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        Row row(w, c);
        QTest::mouseClick(row.row.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w.state.selectedConfigurationID(), uuidString(c->id()));
        QVERIFY(row->isSelected());
        QTest::mouseClick(row.row.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w.state.selectedConfigurationID(), QString());
        QCOMPARE(w.log.lines(),
                 QStringList({"📱 Selected configuration: Work", "📱 Deselected configuration: Work"}));
    }

    // A change of the selected row's group, picked here or written elsewhere, re-activates 0.1 s later
    // once the row has settled.
    void pickingAGroupReactivates() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        ConfigurationGroup* empty = w.configuration(QStringLiteral("Empty"), 1);
        AppWorld::addApp(c, bundleIDs.at(0), QStringLiteral("Editor"));
        for (ConfigurationGroup* g : {c, empty}) {
            g->addPositionGroup(QStringLiteral("One"), QString(), true);
            g->addPositionGroup(QStringLiteral("Two"), QString(), false);
        }
        Row row(w, c);
        Row emptyRow(w, empty);
        w.state.setSelectedConfigurationID(uuidString(c->id()));

        Q_EMIT row->picker()->activated(1); // within 0.1 s of appearance
        w.clock.advance(0.5);
        QCOMPARE(applyingLines(w.log.take()), 0);

        Q_EMIT row->picker()->activated(0);
        QCOMPARE(w.log.lines(), QStringList({"🔄 Position group changed to: One - auto-activating SELECTED "
                                             "configuration"}));
        w.clock.advance(0.09);
        QCOMPARE(applyingLines(w.log.lines()), 0);
        w.clock.advance(0.02);
        QCOMPARE(applyingLines(w.log.take()), 1);

        // A change made elsewhere (the editor writes the group it shows) reaches the same handler.
        w.state.setSelectedPositionGroup(uuidString(c->id()), uuidString(c->positionGroupList().at(1)->id()));
        QCOMPARE(row->picker()->currentIndex(), 1);
        QCOMPARE(w.log.lines(), QStringList({"🔄 Position group changed to: Two - auto-activating SELECTED "
                                             "configuration"}));
        w.clock.advance(0.09);
        QCOMPARE(applyingLines(w.log.lines()), 0);
        w.clock.advance(0.02);
        QCOMPARE(applyingLines(w.log.take()), 1);
        // Written again unchanged: nothing.
        w.state.setSelectedPositionGroup(uuidString(c->id()), uuidString(c->positionGroupList().at(1)->id()));
        w.clock.advance(0.5);
        QCOMPARE(applyingLines(w.log.take()), 0);

        // Not selected, or no applications: stored, nothing activated.
        w.state.setSelectedConfigurationID(uuidString(empty->id()));
        Q_EMIT row->picker()->activated(0);
        Q_EMIT emptyRow->picker()->activated(1);
        w.clock.advance(0.5);
        QCOMPARE(applyingLines(w.log.take()), 0);
        QCOMPARE(w.state.selectedPositionGroupForConfig().value(uuidString(c->id())),
                 uuidString(c->positionGroupList().at(0)->id()));

        // Deselected before the step runs: the step runs all the same. Deleted: nothing.
        w.state.setSelectedConfigurationID(uuidString(c->id()));
        Q_EMIT row->picker()->activated(1);
        w.state.setSelectedConfigurationID(QString());
        w.clock.advance(0.5);
        QCOMPARE(applyingLines(w.log.take()), 1);
        w.state.setSelectedConfigurationID(uuidString(c->id()));
        Q_EMIT row->picker()->activated(0);
        const std::optional<QDateTime> activated = c->lastActivatedAt();
        w.context()->deleteObject(c);
        w.clock.advance(0.5);
        QCOMPARE(applyingLines(w.log.take()), 0);
        QCOMPARE(c->lastActivatedAt(), activated);
    }

    void layoutButton_data() {
        QTest::addColumn<QList<Corner>>("positions");
        QTest::addColumn<QString>("choice"); // title, symbol and accent
        using C = Corner;
        QTest::newRow("one app") << QList<C>{C::leftHalf} << "";
        QTest::newRow("two apps anywhere")
            << QList<C>{C::leftThird, C::fullScreen} << "Swap arrow.left.arrow.right orange";
        QTest::newRow("three corners")
            << QList<C>{C::topLeft, C::topRight, C::bottomLeft} << "Rotate arrow.clockwise purple";
        QTest::newRow("four corners") << QList<C>{C::topLeft, C::topRight, C::bottomLeft, C::bottomRight}
                                      << "Rotate arrow.clockwise purple";
        QTest::newRow("three thirds")
            << QList<C>{C::leftThird, C::centerThird, C::rightThird} << "Rotate arrow.right.circle blue";
        QTest::newRow("left half, right corners")
            << QList<C>{C::leftHalf, C::topRight, C::bottomRight} << "Swap arrow.triangle.2.circlepath green";
        QTest::newRow("right half, left corners")
            << QList<C>{C::rightHalf, C::topLeft, C::bottomLeft} << "Swap arrow.triangle.2.circlepath green";
        QTest::newRow("top half, bottom corners")
            << QList<C>{C::topHalf, C::bottomLeft, C::bottomRight} << "Rotate arrow.clockwise.circle cyan";
        QTest::newRow("bottom half, top corners")
            << QList<C>{C::bottomHalf, C::topLeft, C::topRight} << "Rotate arrow.clockwise.circle cyan";
        QTest::newRow("no rule") << QList<C>{C::leftHalf, C::centerThird, C::fullScreen} << "";
    }
    void layoutButton() {
        QFETCH(QList<Corner>, positions);
        QFETCH(QString, choice);
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        for (int i = 0; i < positions.size(); ++i)
            AppWorld::addApp(c, bundleIDs.at(i), bundleIDs.at(i).section('.', -1), positions.at(i));
        Row row(w, c);
        QCOMPARE(row->layoutButton()->isVisibleTo(row.row.get()), !choice.isEmpty());
        const ConfigurationActivator activator(w.platform, ConfigurationActivator::Variant::mainWindow,
                                               {c, &w.state, {}, {}});
        const std::optional<LayoutButtonChoice> chosen = LayoutButtonChoice::choose(activator);
        QCOMPARE(chosen ? QStringList({chosen->title, chosen->symbol, chosen->accent}).join(' ') : QString(),
                 choice);
        if (choice.isEmpty())
            return;
        QCOMPARE(row->layoutButton()->text(), chosen->title);
        // Pressing it rearranges and selects the configuration.
        row->layoutButton()->click();
        QCOMPARE(w.state.selectedConfigurationID(), uuidString(c->id()));
        QVERIFY(c->configurationList().first()->corner() != positions.first());
    }

    void layoutButtonStopsOnAMissingApplication() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        AppWorld::addApp(c, bundleIDs.at(0), QStringLiteral("Editor"), Corner::leftHalf);
        AppWorld::addApp(c, QStringLiteral("org.example.Missing"), QStringLiteral("Gone"), Corner::rightHalf);
        Row row(w, c);
        row->layoutButton()->click();
        QVERIFY(w.state.showMissingAppModal());
        QCOMPARE(w.state.missingAppsToShow().size(), 1);
        QCOMPARE(w.state.selectedConfigurationID(), QString());
        QCOMPARE(c->configurationList().first()->corner(), Corner::leftHalf);
    }

    // The display button follows monitors plugged in and out while the row is shown.
    void displayMenuWithOneAndTwoMonitors() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        AppWorld::addApp(c, bundleIDs.at(0), QStringLiteral("Editor"));
        Row row(w, c);
        QVERIFY(!row->displayButton()->isVisibleTo(row.row.get()));
        w.desktop.setScreens({SimWorld::laptop(1.0), SimWorld::above()});
        QVERIFY(row->displayButton()->isVisibleTo(row.row.get()));
        w.desktop.setScreens({SimWorld::laptop(1.0)});
        QVERIFY(!row->displayButton()->isVisibleTo(row.row.get()));
        w.desktop.setScreens({SimWorld::laptop(1.0), SimWorld::above()});
        row->rebuildDisplayMenu();
        const QList<QAction*> entries = row->displayMenu()->actions();
        QCOMPARE(entries.size(), 2);
        entries.at(1)->trigger();
        QCOMPARE(w.state.selectedConfigurationID(), uuidString(c->id()));
        QCOMPARE(applyingLines(w.log.lines()), 1);
        QVERIFY(c->lastActivatedAt().has_value());
    }

    // The controls of a row whose configuration was deleted do nothing.
    void aDeletedConfigurationIsNeverActedOn() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        AppWorld::addApp(c, bundleIDs.at(0), QStringLiteral("Editor"), Corner::leftHalf);
        AppWorld::addApp(c, bundleIDs.at(1), QStringLiteral("Terminal"), Corner::rightHalf);
        QVERIFY(w.context()->save());
        Row row(w, c);
        w.context()->deleteObject(c);
        QVERIFY(w.context()->save());
        for (QAbstractButton* button :
             {row->activateButton(), row->editButton(), row->layoutButton(), row->deleteButton()})
            button->click();
        QTest::mouseClick(row.row.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w.state.selectedConfigurationID(), QString());
        QVERIFY(row.removed.isEmpty() && row.edited.isEmpty());
        QCOMPARE(applyingLines(w.log.lines()), 0);
    }

    void editPassesTheSelectedGroup() {
        HomeWorld w;
        ConfigurationGroup* c = w.configuration(QStringLiteral("Work"), 1);
        Row row(w, c);
        row->editButton()->click();
        PositionGroup* group = c->addPositionGroup(QStringLiteral("One"), QString(), true);
        row->hide();
        row->show();
        row->editButton()->click();
        QCOMPARE(row.edited, QList<std::optional<QString>>({std::nullopt, uuidString(group->id())}));
    }
};

QTEST_MAIN(HomeRowTest)
#include "HomeRowTest.moc"
