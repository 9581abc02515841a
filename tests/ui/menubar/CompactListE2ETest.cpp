// The attached window's list in the real program on a private desktop with a tray, in each look:
// the selection moves from one card to the other, and both cards keep the look's colours.
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "model/ConfigurationGroup.h"
#include "store/ModelContext.h"
#include "ui/look/LookColors.h"

#include <QImage>
#include <QJsonObject>
#include <QTest>

namespace {

// Where the two cards lie in the attached window: the first under the search field, the next one
// card further down; at the right of the card, clear of its name and count.
const QPoint firstCard(300, 125);
const QPoint secondCard(300, 215);

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 && qAbs(a.blue() - b.blue()) <= 3;
}

} // namespace

class CompactListE2ETest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theSelectionMovesBetweenCards_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("dark") << true;
        QTest::newRow("light") << false;
    }
    void theSelectionMovesBetweenCards() {
        QFETCH(bool, dark);
        TestDesktop::Options options;
        options.tray = true;
        TestDesktop desktop(options);
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("compact-e2e"));
        QVERIFY(quarlin.writePreferences(
            {{QStringLiteral("appTheme"), dark ? QStringLiteral("dark") : QStringLiteral("light")},
             {QStringLiteral("launchInMenuBarMode"), true}}));
        QVERIFY2(quarlin.changeStore([](ModelContext& context) {
            for (const QString& name : {QStringLiteral("Work"), QStringLiteral("Pair")})
                context.insert(new ConfigurationGroup(name, 1920, 1052, std::nullopt));
        }),
                 qPrintable(quarlin.error()));
        QVERIFY2(quarlin.start({}, 20000), qPrintable(quarlin.error()));
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
        QVERIFY(quarlin.screenshotOf(QStringLiteral("list-") + look, quarlin.window()));

        const QPoint origin = quarlin.clientGeometry().topLeft();
        for (const QPoint& card : {firstCard, secondCard, firstCard, secondCard}) {
            QVERIFY(desktop.movePointer(origin.x() + card.x(), origin.y() + card.y()));
            QVERIFY(desktop.xdotool({QStringLiteral("click"), QStringLiteral("1")}));
        }
        // The second card is selected: tinted with the accent; the first lies on the card colour.
        const auto colours = [&] {
            const QImage screen = desktop.screenshot();
            return std::pair(screen.pixelColor(origin + firstCard), screen.pixelColor(origin + secondCard));
        };
        const bool settled = desktop.waitFor(
            [&] {
                const auto [left, selected] = colours();
                return near(left, LookColors::controlBackground(dark)) && selected.blue() > selected.red() &&
                       (selected.lightness() < 128) == dark;
            },
            10000);
        QVERIFY(quarlin.screenshotOf(QStringLiteral("list-selection-moved-") + look, quarlin.window()));
        const auto [left, selected] = colours();
        QVERIFY2(settled, qPrintable(QStringLiteral("card that lost the selection %1, selected card %2")
                                         .arg(left.name(), selected.name())));
    }
};

QTEST_GUILESS_MAIN(CompactListE2ETest)
#include "CompactListE2ETest.moc"
