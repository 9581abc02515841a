// The program's one main window: "Quarlin", 600 by 720, centred, with the application menu. Its
// content (the tabs) is set by whoever builds it; the core sees it as a HostWindow.
#pragma once

#include "platform/HostWindow.h"

#include <QMainWindow>

#include <functional>

class MainWindow : public QMainWindow, public HostWindow {
    Q_OBJECT
public:
    // The display holding most of a frame (in Qt's pixels); absent when on none.
    using ScreenLocator = std::function<std::optional<Screen>(const QRect& frame)>;

    static constexpr int defaultWidth = 600;
    static constexpr int defaultHeight = 720;

    // Without a locator the window reports Qt's idea of its screen.
    explicit MainWindow(ScreenLocator locator = {}, QWidget* parent = nullptr);

    // For a start straight into menu-bar mode: the content appears as if shown, but nothing reaches
    // the screen before the window has its attached form.
    void appearWithoutShowing();

    // Replaces the content below the menu; the window takes ownership.
    void setContent(QWidget* content);

    // HostWindow
    std::optional<Screen> screen() const override;
    bool isVisible() const override { return QWidget::isVisible(); }
    WindowLevel level() const override;
    void setAlphaValue(double alpha) override { setWindowOpacity(alpha); }
    void orderOut() override { hide(); }

Q_SIGNALS:
    // The content was shown: the first time, and again each time after the window was closed.
    void contentAppeared();
    // The user (or the window manager) closed the window.
    void closed();
    // "Check for Updates..." or "Quit Quarlin" was chosen.
    void checkForUpdatesRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void centre();

    ScreenLocator m_locator;
    bool m_contentShown = false;
    bool m_placed = false;
};
