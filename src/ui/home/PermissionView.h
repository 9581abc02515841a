// The screen the home tab shows while Quarlin cannot move other programs' windows: what is missing
// (an X11 display, or a window manager that lets other programs move windows) and a button that
// checks again.
#pragma once

#include <QWidget>

#include <functional>

class QAbstractButton;
class QGraphicsOpacityEffect;
class QLabel;

class PermissionView : public QWidget {
    Q_OBJECT
public:
    explicit PermissionView(QWidget* parent = nullptr);

    // What keeps Quarlin from moving windows on this session, in the user's words.
    static QString missingTitle();
    static QString missingDetail();

    // Fades the application icon in (once).
    void showAppIcon();
    bool isFadingInAppIcon() const { return m_iconShown; }
    double appIconOpacity() const;
    QAbstractButton* checkButton() const { return m_check; }
    QLabel* missingLabel() const { return m_missing; }

    std::function<void()> onCheckAgain;

private:
    QLabel* m_icon;
    QGraphicsOpacityEffect* m_iconOpacity;
    QLabel* m_missing;
    QAbstractButton* m_check;
    bool m_iconShown = false;
};
