// Swapping and rotating the positions of a configuration's applications: the fixed tables, where the new
// positions are written, the console lines of both rows, the guard of the row's controls and the
// re-application 0.01 s later.
#include "ActivationWorld.h"

#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(ConfigurationActivator::Variant)
Q_DECLARE_METATYPE(Corner)

namespace {

using Variant = ConfigurationActivator::Variant;

// Positions by their stored names; "nowhere" is a stored text that names no position.
QList<Corner> corners(const QStringList& names) {
    QList<Corner> list;
    for (const QString& name : names)
        list << CornerInfo::fromRawValue(name).value_or(Corner::topLeft);
    return list;
}

struct Layout {
    ActivationWorld world;
    ConfigurationGroup* configuration = nullptr;
    PositionGroup* group = nullptr;

    // Applications A, B, C... (all installed) at these own positions; with `grouped`, a default group
    // maps them to the same positions and their own positions are set to "fullScreen", so that a test
    // sees which of the two the operations read.
    Layout(const QStringList& positions, bool grouped) {
        QList<AppSpec> apps;
        for (int i = 0; i < positions.size(); ++i) {
            const QString name(QChar('A' + i));
            const QString id = QStringLiteral("org.example.") + name;
            world.desktop.install(id, name);
            apps.append({id, name, Corner::topLeft});
        }
        configuration = world.configuration(QStringLiteral("Work"), apps);
        const QList<AppConfiguration*> list = configuration->configurationList();
        for (AppConfiguration* app : list)
            app->setRelativePosition(QStringLiteral("unchanged"));
        if (grouped) {
            group = ActivationWorld::group(configuration, QStringLiteral("Layout"), corners(positions), true);
            for (AppConfiguration* app : list)
                app->setSavedCorner(QStringLiteral("fullScreen"));
        } else {
            for (int i = 0; i < list.size(); ++i)
                list[i]->setSavedCorner(positions[i]);
        }
    }

    // Starts every application with one window, so that a re-application places them at once.
    void start() {
        for (AppConfiguration* app : configuration->configurationList())
            world.runWithWindow(app->bundleID(), app->appName());
    }

    ConfigurationActivator activator(Variant variant = Variant::mainWindow) {
        return world.activator(variant, configuration);
    }
    AppConfiguration* app(int i) const { return configuration->configurationList().at(i); }

    QStringList collect(const std::function<QString(AppConfiguration*)>& field) const {
        QStringList list;
        for (AppConfiguration* app : configuration->configurationList())
            list << field(app);
        return list;
    }
    QStringList own() const { return collect(&AppConfiguration::savedCorner); }
    QStringList relative() const { return collect(&AppConfiguration::relativePosition); }
    QStringList mapped() const {
        return collect([this](AppConfiguration* app) {
            const std::optional<Corner> position = group->getPosition(app->bundleID());
            return position ? CornerInfo::rawValue(*position) : QStringLiteral("-");
        });
    }
    // Where the operation left the positions: the group's mappings when there is a group, else the
    // applications' own; either way the own texts and relativePosition must agree with it.
    QStringList positions() const { return group ? mapped() : own(); }
    QList<QStringList> records() const { return {positions(), own(), relative()}; }
};

// Runs one rearrangement by its short name.
void rearrange(ConfigurationActivator a, const QString& kind) {
    if (kind == "corners")
        a.rotateCornerPositionsClockwise();
    else if (kind == "thirds")
        a.rotateThirdsPositionsRight();
    else
        a.rotateNewHalfCornerPositions();
}

} // namespace

class RearrangementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // --- swapping two applications ---

    void theSwapAlwaysExchangesAndWarnsOnlyOfUnknownPairs_data() {
        QTest::addColumn<Corner>("first");
        QTest::addColumn<Corner>("second");
        QTest::addColumn<bool>("recognised");
        using enum Corner;
        const QList<std::pair<Corner, Corner>> pairs = {
            {topHalf, bottomHalf},     {leftHalf, rightHalf},   {topLeft, topRight},
            {bottomLeft, bottomRight}, {topLeft, bottomLeft},   {topRight, bottomRight},
            {topLeft, bottomRight},    {topRight, bottomLeft},  {leftThird, centerThird},
            {centerThird, rightThird}, {leftThird, rightThird},
        };
        for (const auto& [a, b] : pairs) {
            QTest::addRow("%s/%s", qPrintable(str(a)), qPrintable(str(b))) << a << b << true;
            QTest::addRow("%s/%s", qPrintable(str(b)), qPrintable(str(a))) << b << a << true;
        }
        QTest::newRow("two-thirds and third") << leftTwoThirds << rightThird << false;
        QTest::newRow("full screen") << fullScreen << leftHalf << false;
        QTest::newRow("same position") << topLeft << topLeft << false;
        QTest::newRow("top and left halves") << topHalf << leftHalf << false;
    }
    void theSwapAlwaysExchangesAndWarnsOnlyOfUnknownPairs() {
        QFETCH(bool, recognised);
        QFETCH(Corner, first);
        QFETCH(Corner, second);
        ActivationWorld w;
        ConfigurationGroup* c = w.configuration("Work", {});
        QCOMPARE(w.activator(Variant::mainWindow, c).intelligentSwap(first, second),
                 std::pair(second, first));
        const QStringList warning{"⚠️ No recognized position pair found for " + str(first) + " and " +
                                  str(second) + ", performing simple swap"};
        QCOMPARE(w.log.take(), recognised ? QStringList() : warning);
    }

    // Through the group when there is one (its mappings, the own positions and relativePosition all
    // follow), else the own positions.
    void swappingTwoApplications_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("positions");
        QTest::addColumn<QStringList>("lines");
        const QStringList grouped{"topLeft", "bottomRight"}, own{"leftTwoThirds", "rightThird"};
        QTest::newRow("group") << Variant::mainWindow << grouped
                               << QStringList{
                                      "🔄 Swapping via position group: Layout -> A(topLeft) ↔ B(bottomRight)"};
        QTest::newRow("group, menu bar")
            << Variant::menuBar << grouped
            << QStringList{
                   "🔄 MinimizedView: Swapping via position group: Layout -> A(topLeft) ↔ B(bottomRight)"};
        QTest::newRow("own")
            << Variant::mainWindow << own
            << QStringList{"🔄 Swapping positions: A (leftTwoThirds) ↔ B (rightThird)",
                           "⚠️ No recognized position pair found for leftTwoThirds and rightThird, "
                           "performing simple swap",
                           "🔄 Intelligently swapped positions: A → rightThird, B → leftTwoThirds"};
        QTest::newRow("own, menu bar") << Variant::menuBar << own << QStringList{};
    }
    void swappingTwoApplications() {
        QFETCH(Variant, variant);
        QFETCH(QStringList, positions);
        QFETCH(QStringList, lines);
        Layout l(positions, positions.first() == "topLeft");
        l.app(0)->setRelativePosition("somewhere");
        l.activator(variant).swapTwoAppPositions();
        QCOMPARE(l.world.log.take(), lines);
        QCOMPARE(l.records(), QList<QStringList>(3, {positions[1], positions[0]}));
        QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>{0.01});
    }

    void oneApplicationWithoutAMappingSwapsTheOwnPositions() {
        Layout l({"leftHalf", "rightHalf"}, false);
        l.start();
        PositionGroup* group = ActivationWorld::group(l.configuration, "Partial", {Corner::topLeft});
        l.activator().swapTwoAppPositions();
        QCOMPARE(l.world.log.take().first(),
                 QStringLiteral("🔄 Swapping positions: A (leftHalf) ↔ B (rightHalf)"));
        QCOMPARE(group->getPosition("org.example.A"), std::optional(Corner::topLeft));
        QCOMPARE(group->getPosition("org.example.B"), std::nullopt);
        QCOMPARE(l.own(), QStringList({"rightHalf", "leftHalf"}));

        // Placed again: A at its group position, B at A's former own position.
        l.world.clock.advance(0.01);
        QCOMPARE(l.world.ownLines().filter("📌"),
                 QStringList({"📌 Positioning A at topLeft", "📌 Positioning B at leftHalf"}));
    }

    // --- rotating corners and thirds ---

    // Each row: the rotation, whether a group holds the positions, the positions before and after, and
    // the main window's first line (the menu bar's row says the same with its prefix, but only the
    // half-and-corner rotation announces itself there).
    void rotations_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("header");
        const QString corners = "🔄 Rotating 3 corner positions clockwise";
        const QString top = "🔄 Rotating top half + bottom corners configuration";
        QTest::newRow("four corners")
            << "corners" << true << QStringList{"topLeft", "topRight", "bottomRight", "bottomLeft"}
            << QStringList{"topRight", "bottomRight", "bottomLeft", "topLeft"}
            << "🔄 Rotating 4 corner positions clockwise";
        QTest::newRow("three corners, the empty one travels")
            << "corners" << false << QStringList{"bottomLeft", "topLeft", "topRight"}
            << QStringList{"topLeft", "topRight", "bottomRight"} << corners;
        // A stored text that names no position counts as top right.
        QTest::newRow("an unknown text")
            << "corners" << false << QStringList{"topLeft", "nowhere", "bottomLeft"}
            << QStringList{"topRight", "bottomRight", "topLeft"} << corners;
        QTest::newRow("a shared corner")
            << "corners" << false << QStringList{"topLeft", "topLeft", "bottomRight"}
            << QStringList{"topRight", "topRight", "bottomLeft"} << corners;
        QTest::newRow("thirds") << "thirds" << true << QStringList{"leftThird", "centerThird", "rightThird"}
                                << QStringList{"centerThird", "rightThird", "leftThird"}
                                << "🔄 Rotating 3 thirds positions right";
        QTest::newRow("thirds, own positions")
            << "thirds" << false << QStringList{"rightThird", "rightThird", "leftThird", "centerThird"}
            << QStringList{"leftThird", "leftThird", "centerThird", "rightThird"}
            << "🔄 Rotating 4 thirds positions right";
        QTest::newRow("top half and bottom corners")
            << "half+corners" << false << QStringList{"topHalf", "bottomLeft", "bottomRight"}
            << QStringList{"bottomRight", "topHalf", "bottomLeft"} << top;
        QTest::newRow("bottom half and top corners")
            << "half+corners" << true << QStringList{"bottomHalf", "topLeft", "topRight"}
            << QStringList{"topLeft", "topRight", "bottomHalf"}
            << "🔄 Rotating bottom half + top corners configuration";
        QTest::newRow("two at the top half")
            << "half+corners" << true << QStringList{"topHalf", "topHalf", "bottomLeft"}
            << QStringList{"bottomRight", "bottomRight", "topHalf"} << top;
    }
    void rotations() {
        QFETCH(bool, grouped);
        QFETCH(QString, kind);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, header);
        QStringList lines{header};
        for (int i = 0; i < before.size(); ++i)
            lines << QStringLiteral("🔄 Rotating %1: %2 → %3")
                         .arg(QChar('A' + i))
                         .arg(before[i] == "nowhere" ? "topRight" : before[i], after[i]);
        QStringList menuBar = lines.mid(kind == "half+corners" ? 0 : 1);
        menuBar.replaceInStrings("🔄 ", "🔄 MinimizedView: ");
        for (Variant variant : {Variant::mainWindow, Variant::menuBar}) {
            Layout l(before, grouped);
            rearrange(l.activator(variant), kind);
            QCOMPARE(l.world.log.take(), variant == Variant::mainWindow ? lines : menuBar);
            QCOMPARE(l.records(), QList<QStringList>(3, after));
            QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>{0.01});
        }
    }

    void rotationsRefuseLayoutsOutsideTheirPositions_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("positions");
        QTest::addColumn<QStringList>("lines");
        const QString corners = "❌ Cannot rotate: not enough apps or not all in corner positions";
        const QString thirds = "❌ Cannot rotate: not enough apps or not all in thirds positions";
        QTest::newRow("two corners") << Variant::mainWindow << "corners" << QStringList{"topLeft", "topRight"}
                                     << QStringList{corners};
        QTest::newRow("two thirds") << Variant::mainWindow << "thirds"
                                    << QStringList{"leftThird", "rightThird"} << QStringList{thirds};
        QTest::newRow("a half among corners")
            << Variant::mainWindow << "corners" << QStringList{"topLeft", "topRight", "leftHalf"}
            << QStringList{corners};
        QTest::newRow("menu bar says nothing")
            << Variant::menuBar << "thirds" << QStringList{"leftThird", "rightThird", "topLeft"}
            << QStringList{};
    }
    void rotationsRefuseLayoutsOutsideTheirPositions() {
        QFETCH(QStringList, lines);
        QFETCH(Variant, variant);
        QFETCH(QStringList, positions);
        QFETCH(QString, kind);
        Layout l(positions, false);
        rearrange(l.activator(variant), kind);
        QCOMPARE(l.world.log.take(), lines);
        QCOMPARE(l.own(), positions);
        QCOMPARE(l.world.clock.pendingCount(), 0);
    }

    // An application the group does not map keeps the group's layouts away, though its own position
    // would complete them.
    void anApplicationWithoutAMappingKeepsTheLayoutsAway() {
        for (const QString kind : {"corners", "top"}) {
            Layout l({kind == "corners" ? "topLeft" : "topHalf",
                      kind == "corners" ? "topRight" : "bottomLeft", "bottomRight"},
                     true);
            l.group->setAppPositions(l.group->appPositionList().mid(0, 2));
            l.app(2)->setSavedCorner("bottomRight");
            QVERIFY(!l.activator().allAppsInCornerPositions());
            QVERIFY(!l.activator().isTopHalfPlusBottomCorners());
            rearrange(l.activator(), kind);
            if (kind == "corners") {
                QCOMPARE(l.world.log.take(),
                         QStringList{"❌ Cannot rotate: not enough apps or not all in corner positions"});
                QCOMPARE(l.mapped(), QStringList({"topLeft", "topRight", "-"}));
            } else {
                // Nothing moves, but the windows are placed again all the same.
                QVERIFY(l.world.log.take().isEmpty());
                QCOMPARE(l.mapped(), QStringList({"topHalf", "bottomLeft", "-"}));
                QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>{0.01});
            }
        }
    }

    // --- a half and two corners ---

    void halfAndCornerSwaps_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("two applications")
            << Variant::mainWindow << false << QStringList{"leftHalf", "topRight"}
            << QStringList{"topRight", "leftHalf"}
            << QStringList{"🔄 Swapping left half + right corners configuration",
                           "🔄 Moved A from leftHalf to topRight", "🔄 Moved B from topRight to leftHalf"};
        QTest::newRow("the first corner application in list order")
            << Variant::mainWindow << true << QStringList{"leftHalf", "bottomRight", "topRight"}
            << QStringList{"bottomRight", "leftHalf", "topRight"}
            << QStringList{"🔄 Swapping left half + right corners configuration",
                           "🔄 Moved A from leftHalf to bottomRight",
                           "🔄 Moved B from bottomRight to leftHalf"};
        QTest::newRow("only the first half application")
            << Variant::mainWindow << false << QStringList{"leftHalf", "leftHalf", "topRight"}
            << QStringList{"topRight", "leftHalf", "leftHalf"}
            << QStringList{"🔄 Swapping left half + right corners configuration",
                           "🔄 Moved A from leftHalf to topRight", "🔄 Moved C from topRight to leftHalf"};
        QTest::newRow("right mirror, menu bar")
            << Variant::menuBar << true << QStringList{"topLeft", "rightHalf", "bottomLeft"}
            << QStringList{"rightHalf", "topLeft", "bottomLeft"}
            << QStringList{"🔄 MinimizedView: Swapping right half + left corners configuration",
                           "🔄 MinimizedView: Moved B from rightHalf to topLeft",
                           "🔄 MinimizedView: Moved A from topLeft to rightHalf"};
        QTest::newRow("neither mirror: placed again only")
            << Variant::mainWindow << false << QStringList{"leftHalf", "rightHalf"}
            << QStringList{"leftHalf", "rightHalf"} << QStringList{};
    }
    void halfAndCornerSwaps() {
        QFETCH(QStringList, lines);
        QFETCH(Variant, variant);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(bool, grouped);
        Layout l(before, grouped);
        l.activator(variant).swapHalfCornerPositions();
        QCOMPARE(l.world.log.take(), lines);
        QCOMPARE(l.positions(), after);
        if (after != before) {
            // The moved applications' own positions follow; the others keep theirs.
            for (int i = 0; i < after.size(); ++i) {
                const bool moved = after[i] != before[i];
                QCOMPARE(l.own()[i], moved ? after[i] : (grouped ? "fullScreen" : before[i]));
                QCOMPARE(l.relative()[i], moved ? after[i] : "unchanged");
            }
        }
        QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>{0.01});
    }

    // Only two applications are swapped, and the half-and-corner moves need two or three.
    void theWrongNumberOfApplicationsDoesNothingAtAll() {
        Layout one({"leftHalf"}, false), three({"topLeft", "topRight", "bottomLeft"}, false);
        one.activator().swapTwoAppPositions();
        three.activator().swapTwoAppPositions();
        Layout alone({"leftHalf"}, false);
        alone.activator().swapHalfCornerPositions();
        Layout four({"topHalf", "bottomLeft", "bottomRight", "bottomRight"}, false);
        four.activator().rotateNewHalfCornerPositions();
        Layout two({"topHalf", "bottomLeft"}, false);
        two.activator().rotateNewHalfCornerPositions();
        for (Layout* l : {&one, &three, &alone, &four, &two}) {
            QVERIFY(l->world.log.take().isEmpty());
            QCOMPARE(l->world.clock.pendingCount(), 0);
        }
        QCOMPARE(three.own(), QStringList({"topLeft", "topRight", "bottomLeft"}));
        QCOMPARE(two.own(), QStringList({"topHalf", "bottomLeft"}));
    }

    // --- the row's controls ---

    void theControlsCheckForMissingApplicationsFirst_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("positions");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("swap") << "swap" << QStringList{"leftHalf", "rightHalf"} << " on swap"
                              << QStringList{"rightHalf", "leftHalf"};
        QTest::newRow("corners") << "corners" << QStringList{"topLeft", "topRight", "bottomRight"}
                                 << " on rotate" << QStringList{"topRight", "bottomRight", "bottomLeft"};
        QTest::newRow("thirds, two applications swap")
            << "thirds" << QStringList{"leftThird", "rightThird"} << " on swap/rotate"
            << QStringList{"rightThird", "leftThird"};
        QTest::newRow("half and corners swap")
            << "half swap" << QStringList{"leftHalf", "topRight"} << " on half+corners swap"
            << QStringList{"topRight", "leftHalf"};
        QTest::newRow("half and corners rotation")
            << "half rotation" << QStringList{"topHalf", "bottomLeft", "bottomRight"}
            << " on new half+corners rotate" << QStringList{"bottomRight", "topHalf", "bottomLeft"};
    }
    void theControlsCheckForMissingApplicationsFirst() {
        QFETCH(QStringList, after);
        QFETCH(QString, suffix);
        QFETCH(QString, control);
        QFETCH(QStringList, positions);
        const auto press = [&control](ConfigurationActivator a) {
            if (control == "swap")
                a.requestSwap();
            else if (control == "corners")
                a.requestCornerRotation();
            else if (control == "thirds")
                a.requestThirdsRotation();
            else if (control == "half swap")
                a.requestHalfCornerSwap();
            else
                a.requestHalfCornerRotation();
        };

        for (Variant variant : {Variant::mainWindow, Variant::menuBar}) {
            Layout l(positions, false);
            l.configuration->appendConfiguration(new AppConfiguration(
                "org.example.Gone", "Gone", "", 0, true, Corner::topLeft, 0.5, 400, 0, 0, l.configuration));
            ConfigurationGroup* waiting = l.world.configuration("Waiting", {});
            l.world.state.setConfigurationForPartialActivation(waiting);
            l.world.state.setSelectedConfigurationID("earlier");
            press(l.activator(variant));
            QCOMPARE(l.world.log.take(), QStringList{"⚠️ Found 1 missing apps in configuration: Work"});
            QCOMPARE(l.world.state.missingAppsToShow().size(), 1);
            QVERIFY(l.world.state.showMissingAppModal());
            QCOMPARE(l.world.state.configurationForPartialActivation(), waiting);
            QCOMPARE(l.world.state.selectedConfigurationID(), QStringLiteral("earlier"));
            QCOMPARE(l.own().mid(0, positions.size()), positions);
            QCOMPARE(l.world.clock.pendingCount(), 0);
        }

        for (Variant variant : {Variant::mainWindow, Variant::menuBar}) {
            Layout l(positions, false);
            press(l.activator(variant));
            const QStringList lines = l.world.log.take();
            QCOMPARE(lines.first(), "📱 Auto-selected configuration: Work" + suffix);
            QCOMPARE(l.world.state.selectedConfigurationID(), uuidString(l.configuration->id()));
            QCOMPARE(l.own(), after);
            QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>{0.01});
        }
    }

    // --- the re-application ---

    void theReapplicationPlacesWhatWasJustWrittenWithTheGroupOfThatMoment() {
        Layout l({"topLeft", "topRight", "bottomRight"}, true);
        l.start();
        PositionGroup* other = ActivationWorld::group(
            l.configuration, "Other", {Corner::leftThird, Corner::centerThird, Corner::rightThird});
        ConfigurationActivator a = l.activator();
        a.rotateCornerPositionsClockwise();
        a.rotateCornerPositionsClockwise();
        l.world.log.clear();
        QCOMPARE(l.world.clock.pendingDeadlines(), QList<double>({0.01, 0.01}));

        // Each rotation places the windows once; both see the positions after the second.
        l.world.clock.advance(0.01);
        QCOMPARE(l.world.ownLines().filter("📌"),
                 QStringList({"📌 Positioning A at bottomRight", "📌 Positioning B at bottomLeft",
                              "📌 Positioning C at topLeft", "📌 Positioning A at bottomRight",
                              "📌 Positioning B at bottomLeft", "📌 Positioning C at topLeft"}));

        a.rotateCornerPositionsClockwise();
        l.world.state.setSelectedPositionGroup(uuidString(l.configuration->id()), uuidString(other->id()));
        l.world.clock.advance(0.01);
        QCOMPARE(l.world.ownLines().filter("📌"),
                 QStringList({"📌 Positioning A at leftThird", "📌 Positioning B at centerThird",
                              "📌 Positioning C at rightThird"}));
    }
};

QTEST_GUILESS_MAIN(RearrangementTest)
#include "RearrangementTest.moc"
