// The button looks and the symbol table: what a user sees at rest, under the pointer and pressed,
// that every symbol the interface names draws something other than the "unknown" box, and that the
// application icon comes in every size the desktop asks for.
#include "model/PositionTemplate.h"
#include "model/TemplateSymbols.h"
#include "ui/QtApplicationShell.h"
#include "ui/look/ButtonPainter.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/LookColors.h"
#include "ui/look/QuarlinIcon.h"
#include "ui/look/StyledButton.h"
#include "ui/look/SwitchStyle.h"
#include "ui/look/Symbols.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

Q_DECLARE_METATYPE(ButtonStyle)

namespace {
QImage draw(const QString& name) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Symbols::paint(painter, QRectF(0, 0, 32, 32), name, Qt::black);
    return image;
}

bool blank(const QImage& image) {
    QImage empty(image.size(), image.format());
    empty.fill(Qt::transparent);
    return image == empty;
}

ButtonLayer layer(const QList<ButtonLayer>& layers, ButtonLayer::Shape shape, const QColor& base) {
    for (const ButtonLayer& l : layers)
        if (l.shape == shape && l.colour.rgb() == base.rgb())
            return l;
    return {};
}
} // namespace

class LookTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void restingAndHoverLooks_data() {
        QTest::addColumn<ButtonStyle>("style");
        QTest::addColumn<bool>("red");
        const QColor green = LookColors::green(true);
        QTest::newRow("glass") << ButtonStyle::glassmorphic() << false;
        QTest::newRow("destructive glass") << ButtonStyle::destructiveGlassmorphic() << true;
        QTest::newRow("adaptive") << ButtonStyle::adaptiveGlassmorphic(green) << false;
        QTest::newRow("adaptive destructive") << ButtonStyle::adaptiveGlassmorphic(green, true) << true;
        QTest::newRow("mini destructive") << ButtonStyle::miniAdaptiveGlassmorphic(green, true) << true;
        QTest::newRow("toggle") << ButtonStyle::menuBarToggle() << false;
        QTest::newRow("destructive toggle") << ButtonStyle::destructiveMenuBarToggle() << true;
    }
    void restingAndHoverLooks() {
        QFETCH(ButtonStyle, style);
        QFETCH(bool, red);
        for (bool dark : {true, false}) {
            // At rest: a grey fill inside a grey border; a press at rest changes nothing drawn.
            const QList<ButtonLayer> rest = ButtonPainter::layers(style, {0, 0, dark});
            QVERIFY(layer(rest, ButtonLayer::Shape::fill, LookColors::gray()).colour.alphaF() > 0);
            QVERIFY(layer(rest, ButtonLayer::Shape::insideStroke, LookColors::gray()).width > 0);
            QCOMPARE(ButtonPainter::scale(style, {0, 1, dark}), 1.0);
            QCOMPARE(ButtonPainter::layers(style, {0, 1, dark}), rest);

            // Under the pointer: grown, label and ring in the tint (red when destructive), no border.
            const QColor tint = red ? LookColors::red(dark) : style.tintColour(dark);
            const ButtonPaintState hovered{1, 0, dark};
            QCOMPARE(ButtonPainter::labelColour(style, hovered), tint);
            QVERIFY(ButtonPainter::scale(style, hovered) > 1.0);
            const QList<ButtonLayer> over = ButtonPainter::layers(style, hovered);
            QVERIFY(layer(over, ButtonLayer::Shape::centredStroke, tint).width > 0);
            QVERIFY(layer(over, ButtonLayer::Shape::insideStroke, LookColors::gray()).width == 0);
            QCOMPARE(ButtonPainter::layers(style, {1, 1, dark}), over);

            // The earlier generation: a tinted fill that deepens while held.
            const auto earlier = ButtonStyle::Generation::earlier;
            const ButtonLayer up = ButtonPainter::layers(style, {1, 0, dark, earlier}).value(0);
            const ButtonLayer down = ButtonPainter::layers(style, {1, 1, dark, earlier}).value(0);
            QCOMPARE(up.colour.rgb(), tint.rgb());
            QVERIFY(down.colour.alphaF() > up.colour.alphaF());
        }
    }

    void theLayoutNeverMovesWhileTheButtonGrows() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* button = new StyledButton(ButtonStyle::glassmorphic(), "Close");
        auto* below = new StyledButton(ButtonStyle::menuBarToggle(), {}, "power");
        below->setMinimumLabelSize(QSize(28, 28));
        layout->addWidget(button);
        layout->addWidget(below);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect before = below->geometry();
        // The toggle style hugs its label: the body is exactly the label.
        QCOMPARE(below->bodyRect().size(), QSizeF(28, 28));
        // Room for the 5 % growth and the shadow is reserved around the body.
        const QRectF body = button->bodyRect();
        const double grow = body.width() * 0.025;
        QVERIFY(body.left() >= grow && button->width() - body.right() >= grow);

        QEnterEvent enter(QPointF(body.center()), QPointF(body.center()), QPointF(body.center()));
        QApplication::sendEvent(button, &enter);
        QVERIFY(button->isHovering());
        QTRY_COMPARE(button->hoverProgress(), 1.0);
        QCOMPARE(below->geometry(), before);
        // Only the body answers clicks, not the reserved margin.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, 1));
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::mouseClick(button, Qt::LeftButton, {}, body.center().toPoint());
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, button->height() - 1));
        QCOMPARE(clicked.count(), 1);
        // A button shown anew starts at rest.
        button->hide();
        button->show();
        QVERIFY(!button->isHovering());
        QCOMPARE(button->hoverProgress(), 0.0);
    }

    void everyNamedSymbolDraws() {
        QVERIFY2(Symbols::iconFontLoaded(), "the Material Design icon font is not installed");
        const QImage unknown = draw("no.such.symbol");
        QVERIFY(!blank(unknown));
        QStringList named = Symbols::names();
        for (const PositionTemplate& t : PositionTemplate::predefinedTemplates())
            if (std::optional<QString> name = TemplateSymbols::symbolName(t.positions))
                named << *name;
        for (const QString& name : named) {
            QVERIFY2(Symbols::isKnown(name), qPrintable(name));
            const QImage image = draw(name);
            QVERIFY2(!blank(image) && image != unknown, qPrintable(name));
        }
    }

    // A window that opens over a hovered button (the editor it opened) ends the hover; the pointer
    // moving on it again brings it back.
    void aCoveredButtonLetsGoOfItsHover() {
        QWidget window;
        auto* button = new StyledButton(ButtonStyle::glassmorphic(), "Edit");
        (new QVBoxLayout(&window))->addWidget(button);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &enter);
        QVERIFY(button->isHovering());
        QWidget editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QVERIFY(!button->isHovering());
        editor.close();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QHoverEvent move(QEvent::HoverMove, QPointF(6, 6), button->mapToGlobal(QPointF(6, 6)), QPointF(5, 5));
        QApplication::sendEvent(button, &move);
        QVERIFY(button->isHovering());
    }

    // A switch lies on its side, and the look follows the window's own colours.
    void switchesLieFlatAndDarkMeansDark() {
        QCheckBox box;
        SwitchStyle::apply(&box);
        QStyleOptionButton option;
        option.initFrom(&box);
        const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
        QCOMPARE(indicator.size(), QSize(34, 20));
        QWidget window;
        for (bool dark : {true, false}) {
            QPalette palette;
            palette.setColor(QPalette::Window, LookColors::windowBackground(dark));
            window.setPalette(palette);
            QCOMPARE(LookColors::isDark(&window), dark);
        }
        // List boxes stand out from the window on either look.
        for (bool dark : {true, false}) {
            const QColor background =
                (dark ? QtApplicationShell::darkPalette() : QtApplicationShell::lightPalette())
                    .color(QPalette::Window);
            QVERIFY(std::abs(LookColors::controlBackground(dark).lightness() - background.lightness()) >= 12);
        }
    }

    // Taskbars and switchers ask for these; each must be drawn at its own size, not scaled from another.
    // A message box in the dialog frame is as wide as its title and shows the whole of its text:
    // short, a sentence or two, and a path without spaces.
    void aFramedMessageBoxShowsItsWholeText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("details");
        QTest::newRow("short") << "Saved." << QString();
        QTest::newRow("two sentences")
            << "Quarlin could not save your latest changes to its configurations. If you quit now, they "
               "are lost."
            << "Error: disk I/O error\nStore: /home/someone/.local/share/quarlin/quarlin.sqlite";
        QTest::newRow("a long path") << "Could not read /home/someone/" + QString(120, QLatin1Char('x'))
                                     << QString();
    }
    void aFramedMessageBoxShowsItsWholeText() {
        QFETCH(QString, text);
        QFETCH(QString, details);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quarlin Could Not Save Your Changes"), text,
                        QMessageBox::Ok);
        box.setInformativeText(details);
        DialogFrame::apply(&box);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.width() >= DialogFrame::titleWidth(&box));
        for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
            auto* label = box.findChild<QLabel*>(QLatin1String(name));
            if (!label || label->text().isEmpty())
                continue;
            const bool whole = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                                 : label->width() >= label->sizeHint().width();
            QVERIFY2(whole, name);
        }
    }

    // A framed dialog stands in the top layer as it shows when a window of the program there could
    // cover it (an editor, the attached window), and so does a dialog of no window.
    void aFramedDialogTakesTheLayerOfTheProgramsHighestWindow_data() {
        QTest::addColumn<bool>("parent");
        QTest::addColumn<QString>(
            "other"); // another window of the program: "on top", "hidden on top", "normal"
        QTest::addColumn<bool>("onTop");
        QTest::newRow("beside an editor") << true << "on top" << true;
        QTest::newRow("beside a hidden editor") << true << "hidden on top" << false;
        QTest::newRow("beside an ordinary window") << true << "normal" << false;
        QTest::newRow("of no window") << false << "normal" << true;
    }
    void aFramedDialogTakesTheLayerOfTheProgramsHighestWindow() {
        QFETCH(bool, parent);
        QFETCH(QString, other);
        QFETCH(bool, onTop);
        QWidget main;
        main.show();
        QWidget editor(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
        editor.setWindowFlag(Qt::WindowStaysOnTopHint, other != QLatin1String("normal"));
        editor.setVisible(other != QLatin1String("hidden on top"));
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Delete Configuration?"), QString(),
                        QMessageBox::Ok, parent ? &main : nullptr);
        DialogFrame::apply(&box);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        QCOMPARE(box.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        // Shown again once the editor is gone, it leaves the top layer.
        box.hide();
        editor.hide();
        box.show();
        QCOMPARE(box.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), !parent);
    }

    void theApplicationIconComesInEverySize() {
        const QIcon icon = quarlinIcon();
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
            const QImage image = icon.pixmap(size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(!blank(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
            // Opaque in the middle, transparent in the rounded corner.
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
    }
};

QTEST_MAIN(LookTest)
#include "LookTest.moc"
