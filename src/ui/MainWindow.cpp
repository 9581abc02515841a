#include "MainWindow.h"

#include "ApplicationCommands.h"
#include "look/DialogFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>

MainWindow::MainWindow(ScreenLocator locator, QWidget* parent)
    : QMainWindow(parent), m_locator(std::move(locator)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quarlin"));
    resize(defaultWidth, defaultHeight);
    setCentralWidget(new QWidget(this));
    buildMenu();
}

void MainWindow::setContent(QWidget* content) {
    setCentralWidget(content);
}

void MainWindow::buildMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Quarlin"));
    QAction* about = menu->addAction(QStringLiteral("About Quarlin"));
    connect(about, &QAction::triggered, this, [this] {
        // Plain text only: nothing here is ever read as markup.
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About Quarlin"),
                        QStringLiteral("Quarlin %1\nWindow layouts for X11 desktops.")
                            .arg(QApplication::applicationVersion()),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        DialogFrame::apply(&box);
        box.exec();
    });
    // The keys are the program's, not this window's: they work from every window (ApplicationCommands).
    QAction* updates = menu->addAction(ApplicationCommands::withKeyText(
        QStringLiteral("Check for Updates..."), ApplicationCommands::checkForUpdatesKey()));
    connect(updates, &QAction::triggered, this, &MainWindow::checkForUpdatesRequested);
    menu->addSeparator();
    QAction* quit = menu->addAction(
        ApplicationCommands::withKeyText(QStringLiteral("Quit Quarlin"), ApplicationCommands::quitKey()));
    connect(quit, &QAction::triggered, this, &MainWindow::quitRequested);
}

void MainWindow::centre() {
    const QScreen* target = QGuiApplication::primaryScreen();
    if (!target)
        return;
    // A first guess until the window hook fits it into its work area: at a high scale the default
    // size may be taller than the screen, and the title bar must stay in reach meanwhile.
    const QRect area = target->availableGeometry();
    QRect frame(QPoint(), frameGeometry().size());
    frame.moveCenter(area.center());
    frame.moveTop(std::max(frame.top(), area.top()));
    move(frame.topLeft());
}

std::optional<Screen> MainWindow::screen() const {
    if (!QWidget::isVisible())
        return std::nullopt;
    if (m_locator)
        return m_locator(frameGeometry());
    const QScreen* own = QWidget::screen();
    if (!own)
        return std::nullopt;
    // Qt's own screens, for runs without a desktop backend: flipped against the primary's height.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const double height = primary ? primary->geometry().height() : own->geometry().height();
    auto flip = [height](const QRect& r) {
        return Rect(r.x(), height - (r.y() + r.height()), r.width(), r.height());
    };
    return Screen{own->name(), flip(own->geometry()), flip(own->availableGeometry()),
                  own->devicePixelRatio()};
}

WindowLevel MainWindow::level() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? WindowLevel::floating() : WindowLevel::normal();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    appearWithoutShowing();
}

void MainWindow::appearWithoutShowing() {
    if (!m_placed) {
        m_placed = true;
        centre();
    }
    if (!m_contentShown) {
        m_contentShown = true;
        Q_EMIT contentAppeared();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        m_contentShown = false;
        Q_EMIT closed();
    }
}
