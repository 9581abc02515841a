// The stored position names, the fixed layout templates and the two lookups over them.
#include "model/AppPositionMapping.h"
#include "model/PositionGroup.h"
#include "model/PositionGroupTemplateMatcher.h"
#include "model/PositionTemplate.h"
#include "model/TemplateSymbols.h"

#include <QSet>
#include <QTest>

using Corners = QList<Corner>;
Q_DECLARE_METATYPE(Corners)

namespace {
using enum Corner;
} // namespace

class TemplatesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Positions are stored by their raw value, so the names and their order must never drift.
    void rawValues() {
        const QStringList expected =
            QStringLiteral("topLeft topRight bottomLeft bottomRight topHalf bottomHalf "
                           "leftHalf rightHalf leftThird centerThird rightThird "
                           "leftTwoThirds centerTwoThirds rightTwoThirds fullScreen")
                .split(' ');
        QCOMPARE(qsizetype(CornerInfo::allCases.size()), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(CornerInfo::rawValue(CornerInfo::allCases[size_t(i)]), expected[i]);
            QCOMPARE(CornerInfo::fromRawValue(expected[i]), std::optional(static_cast<Corner>(i)));
        }
        for (const QString& text : {QStringLiteral("TopLeft"), QString(), QStringLiteral("topLeft ")})
            QVERIFY(!CornerInfo::fromRawValue(text));
    }

    // Sixteen distinct templates, each pictured by a symbol; the editor offers exactly the
    // three-position ones for three applications only.
    void templateRules() {
        const QList<PositionTemplate>& templates = PositionTemplate::predefinedTemplates();
        QCOMPARE(templates.size(), 16);
        QSet<QString> names, descs;
        for (const PositionTemplate& entry : templates) {
            names.insert(entry.name);
            descs.insert(entry.desc);
            QVERIFY2(TemplateSymbols::symbolName(entry.positions), qPrintable(entry.name));
            QCOMPARE(entry.exactAppCount, entry.positions.size() == 3 ? std::optional(3) : std::nullopt);
            QCOMPARE(QSet<Corner>(entry.positions.begin(), entry.positions.end()).size(),
                     entry.positions.size());
        }
        QCOMPARE(names.size(), 16);
        QCOMPARE(descs.size(), 16);
    }

    // Each row: the group's description ("" for a custom one), name and mapped positions.
    void matchedTemplate_data() {
        QTest::addColumn<QString>("desc");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Corners>("corners");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* desc, const char* name, Corners corners,
                            const char* expected) {
            QTest::newRow(tag) << QString::fromUtf8(desc) << QString::fromUtf8(name) << corners
                               << QString::fromUtf8(expected);
        };
        row("description wins", "Top left and bottom right corners", "x", {leftHalf, rightHalf}, "Diagonal");
        row("positions as a multiset", "", "x", {rightHalf, leftHalf}, "Left & Right");
        row("first template with those positions", "", "", {bottomRight, topLeft}, "Diagonal");
        // The templates list their positions in no particular order either.
        row("corners before the half", "", "", {topLeft, bottomLeft, rightHalf}, "Right Half + Left Corners");
        row("corners around the half", "", "", {bottomRight, leftHalf, topRight},
            "Left Half + Right Corners");
        row("half between the corners", "", "", {bottomLeft, topHalf, bottomRight},
            "Top Half + Bottom Corners");
        row("positions before name", "", "Four Corners", {topHalf, bottomHalf}, "Top & Bottom");
        row("repeated position falls to name", "", "three corners", {topLeft, topRight, topLeft},
            "Three Corners");
        row("name ignoring case", "", "four corners", {}, "Four Corners");
        row("nothing matches", "", "Mine", {}, "");
        row("description is case-sensitive", "all four corners", "", {}, "");
    }
    void matchedTemplate() {
        QFETCH(QString, desc);
        QFETCH(QString, name);
        QFETCH(Corners, corners);
        QFETCH(QString, expected);
        PositionGroup group(name, desc.isEmpty() ? QStringLiteral("Custom position group") : desc, false);
        for (int i = 0; i < corners.size(); ++i)
            group.setPosition(QStringLiteral("app%1").arg(i), QString(), corners[i]);
        const std::optional<PositionTemplate> found = PositionGroupTemplateMatcher::matchedTemplate(&group);
        QCOMPARE(found ? found->name : QString(), expected);
    }

    void anUnreadableStoredPositionCountsAsTopLeft() {
        PositionGroup group(QString(), QStringLiteral("Custom position group"), false);
        group.setPosition(QStringLiteral("a"), QString(), fullScreen);
        group.setPosition(QStringLiteral("b"), QString(), bottomRight);
        group.appPositionList()[0]->setSavedCorner(QStringLiteral("bogus"));
        QCOMPARE(PositionGroupTemplateMatcher::matchedTemplate(&group)->name, QStringLiteral("Diagonal"));
    }

    void symbolNames_data() {
        QTest::addColumn<Corners>("corners");
        QTest::addColumn<QString>("symbol");
        const auto row = [](const char* tag, Corners corners, const char* symbol) {
            QTest::newRow(tag) << corners << QString::fromLatin1(symbol);
        };
        row("halves", {leftHalf, rightHalf}, "rectangle.split.2x1");
        row("both diagonals share", {topRight, bottomLeft}, "rectangle.slash");
        row("left two-thirds", {leftTwoThirds, rightThird}, "rectangle.rightthird.inset.filled");
        row("right two-thirds", {leftThird, rightTwoThirds}, "rectangle.leftthird.inset.filled");
        row("left side", {topLeft, bottomLeft}, "rectangle.leftthird.inset.filled");
        row("either half and corners", {rightHalf, topLeft, bottomLeft}, "rectangles.below.rectangle");
        row("top half", {topHalf, bottomLeft, bottomRight},
            "inset.filled.tophalf.bottomleft.bottomright.rectangle");
        row("order and repetitions ignored", {topRight, topLeft, topLeft}, "rectangle.topthird.inset.filled");
        row("empty", {}, "");
        row("single corner", {topLeft}, "");
        row("superset of a row", {leftHalf, rightHalf, fullScreen}, "");
    }
    void symbolNames() {
        QFETCH(Corners, corners);
        QFETCH(QString, symbol);
        QCOMPARE(TemplateSymbols::symbolName(corners).value_or(QString()), symbol);
    }
};

QTEST_GUILESS_MAIN(TemplatesTest)
#include "TemplatesTest.moc"
