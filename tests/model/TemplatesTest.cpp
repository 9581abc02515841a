// The fixed layout tables and the two lookups over them, row by row.
#include "model/AppPositionMapping.h"
#include "model/PositionGroup.h"
#include "model/PositionGroupTemplateMatcher.h"
#include "model/PositionTemplate.h"
#include "model/SFSymbolTemplateMapper.h"

#include <QTest>

using Corners = QList<Corner>;
Q_DECLARE_METATYPE(Corners)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {
using enum Corner;

// A group with the given description, name and mapped positions.
struct GroupSpec {
    QString desc;
    QString name;
    Corners corners;
};
} // namespace
Q_DECLARE_METATYPE(GroupSpec)

class TemplatesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void predefinedTemplates_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("desc");
        QTest::addColumn<Corners>("positions");
        QTest::addColumn<std::optional<int>>("exactAppCount");
        const std::optional<int> none;
        int i = 0;
        const auto row = [&](const char* name, const char* desc, Corners positions,
                             std::optional<int> count) {
            QTest::newRow(name) << i++ << QString::fromUtf8(name) << QString::fromUtf8(desc) << positions
                                << count;
        };
        row("Left & Right", "Split screen left and right", {leftHalf, rightHalf}, none);
        row("Top & Bottom", "Split screen top and bottom", {topHalf, bottomHalf}, none);
        row("Top Corners", "Top left and top right corners", {topLeft, topRight}, none);
        row("Bottom Corners", "Bottom left and bottom right corners", {bottomLeft, bottomRight}, none);
        row("Diagonal", "Top left and bottom right corners", {topLeft, bottomRight}, none);
        row("Three Thirds", "Left, center, and right thirds", {leftThird, centerThird, rightThird}, 3);
        row("Three Corners", "Top left, top right, and bottom right corners",
            {topLeft, topRight, bottomRight}, 3);
        row("Right Half + Left Corners", "Right half and left corners", {rightHalf, topLeft, bottomLeft}, 3);
        row("Left Half + Right Corners", "Left half and right corners", {leftHalf, topRight, bottomRight}, 3);
        row("Four Corners", "All four corners", {topLeft, topRight, bottomLeft, bottomRight}, none);
        row("Left Side", "Top left and bottom left corners", {topLeft, bottomLeft}, none);
        row("Right Side", "Top right and bottom right corners", {topRight, bottomRight}, none);
        row("Two Left Thirds + Right Third", "Left two-thirds and right third split",
            {leftTwoThirds, rightThird}, none);
        row("Left Third + Two Rights", "Left third and right two-thirds split", {leftThird, rightTwoThirds},
            none);
        row("Top Half + Bottom Corners", "Top half and bottom left, bottom right corners",
            {topHalf, bottomLeft, bottomRight}, 3);
        row("Bottom Half + Top Corners", "Bottom half and top left, top right corners",
            {topLeft, topRight, bottomHalf}, 3);
    }
    void predefinedTemplates() {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QString, desc);
        QFETCH(Corners, positions);
        QFETCH(std::optional<int>, exactAppCount);
        const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
        QCOMPARE(templates.size(), 16);
        const PositionTemplate& entry = templates[index];
        QCOMPARE(entry.name, name);
        QCOMPARE(entry.desc, desc);
        QCOMPARE(entry.positions, positions);
        QCOMPARE(entry.exactAppCount, exactAppCount);
        // Every template pictures as some symbol.
        QVERIFY(SFSymbolTemplateMapper::symbolName(entry.positions).has_value());
    }

    void matchedTemplate_data() {
        QTest::addColumn<GroupSpec>("group");
        QTest::addColumn<QString>("expected");
        const QString custom = QStringLiteral("Custom position group");
        QTest::newRow("description wins over positions")
            << GroupSpec{QStringLiteral("Top left and bottom right corners"),
                         QStringLiteral("x"),
                         {leftHalf, rightHalf}}
            << QStringLiteral("Diagonal");
        QTest::newRow("positions as a multiset")
            << GroupSpec{custom, QStringLiteral("x"), {rightHalf, leftHalf}}
            << QStringLiteral("Left & Right");
        QTest::newRow("first template with those positions")
            << GroupSpec{custom, QString(), {bottomRight, topLeft}} << QStringLiteral("Diagonal");
        QTest::newRow("positions before name")
            << GroupSpec{custom, QStringLiteral("Four Corners"), {topHalf, bottomHalf}}
            << QStringLiteral("Top & Bottom");
        QTest::newRow("repeated position falls through to name")
            << GroupSpec{custom, QStringLiteral("three corners"), {topLeft, topRight, topLeft}}
            << QStringLiteral("Three Corners");
        QTest::newRow("name ignoring case without mappings")
            << GroupSpec{custom, QStringLiteral("four corners"), {}} << QStringLiteral("Four Corners");
        QTest::newRow("unreadable stored position counts as topLeft")
            << GroupSpec{custom, QString(), {fullScreen}} << QString();
        QTest::newRow("nothing matches") << GroupSpec{custom, QStringLiteral("Mine"), {}} << QString();
        QTest::newRow("description is case-sensitive")
            << GroupSpec{QStringLiteral("all four corners"), QString(), {}} << QString();
    }
    void matchedTemplate() {
        QFETCH(GroupSpec, group);
        QFETCH(QString, expected);
        PositionGroup positionGroup(group.name, group.desc, false);
        for (int i = 0; i < group.corners.size(); ++i)
            positionGroup.setPosition(QStringLiteral("app%1").arg(i), QString(), group.corners[i]);
        if (QByteArray(QTest::currentDataTag()).startsWith("unreadable")) {
            positionGroup.appPositionList()[0]->setSavedCorner(QStringLiteral("bogus"));
            positionGroup.setPosition(QStringLiteral("other"), QString(), bottomRight);
            expected = QStringLiteral("Diagonal");
        }
        const std::optional<PositionTemplate> found =
            PositionGroupTemplateMatcher::matchedTemplate(&positionGroup);
        QCOMPARE(found ? found->name : QString(), expected);
    }

    void symbolNames_data() {
        QTest::addColumn<Corners>("corners");
        QTest::addColumn<QString>("symbol");
        const auto row = [](const char* tag, Corners corners, const char* symbol) {
            QTest::newRow(tag) << corners << QString::fromLatin1(symbol);
        };
        row("1", {leftHalf, rightHalf}, "rectangle.split.2x1");
        row("2", {topHalf, bottomHalf}, "rectangle.split.1x2");
        row("3", {topLeft, topRight}, "rectangle.topthird.inset.filled");
        row("4", {bottomLeft, bottomRight}, "rectangle.bottomthird.inset.filled");
        row("5", {topLeft, bottomRight}, "rectangle.slash");
        row("6", {topRight, bottomLeft}, "rectangle.slash");
        row("7", {topLeft, topRight, bottomRight}, "squares.below.rectangle");
        row("8", {topHalf, bottomLeft, bottomRight}, "inset.filled.tophalf.bottomleft.bottomright.rectangle");
        row("9", {topLeft, topRight, bottomHalf}, "inset.filled.topleft.topright.bottomhalf.rectangle");
        row("10", {topLeft, topRight, bottomLeft, bottomRight}, "rectangle.grid.2x2");
        row("11", {leftThird, centerThird, rightThird}, "rectangle.split.3x1");
        row("12", {leftTwoThirds, rightThird}, "rectangle.rightthird.inset.filled");
        row("13", {leftThird, rightTwoThirds}, "rectangle.leftthird.inset.filled");
        row("14", {leftHalf, topRight, bottomRight}, "rectangles.below.rectangle");
        row("15", {rightHalf, topLeft, bottomLeft}, "rectangles.below.rectangle");
        row("16", {topLeft, bottomLeft}, "rectangle.leftthird.inset.filled");
        row("17", {topRight, bottomRight}, "rectangle.rightthird.inset.filled");
        row("order and repetitions ignored", {topRight, topLeft, topLeft}, "rectangle.topthird.inset.filled");
        row("reversed", {rightHalf, leftHalf}, "rectangle.split.2x1");
        row("empty", {}, "");
        row("single corner", {topLeft}, "");
        row("full screen", {fullScreen}, "");
        row("superset of a row", {leftHalf, rightHalf, fullScreen}, "");
    }
    void symbolNames() {
        QFETCH(Corners, corners);
        QFETCH(QString, symbol);
        QCOMPARE(SFSymbolTemplateMapper::symbolName(corners).value_or(QString()), symbol);
    }
};

QTEST_GUILESS_MAIN(TemplatesTest)
#include "TemplatesTest.moc"
