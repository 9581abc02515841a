#include "MinimizedHomeFooter.h"

#include "app/AppState.h"
#include "app/MenuBarManaging.h"
#include "ui/look/Fonts.h"
#include "ui/look/StyledButton.h"

#include <QCoreApplication>
#include <QHBoxLayout>

MinimizedHomeFooter::MinimizedHomeFooter(AppState& state, const QString& leaveText, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 0, 16, 12);
    row->setSpacing(8);
    auto* leave = new StyledButton(ButtonStyle::menuBarToggle(), leaveText,
                                   QStringLiteral("arrow.up.right.and.arrow.down.left.rectangle"), this);
    leave->setFont(Fonts::system(10, QFont::Medium));
    connect(leave, &QAbstractButton::clicked, this, [&state] {
        if (MenuBarManaging* manager = state.menuBarManager())
            manager->detachMainWindow();
    });
    auto* quit = new StyledButton(ButtonStyle::destructiveMenuBarToggle(), QStringLiteral("Quit App"),
                                  QStringLiteral("power"), this);
    quit->setFont(Fonts::system(10, QFont::Medium));
    connect(quit, &QAbstractButton::clicked, qApp, &QCoreApplication::quit);
    row->addWidget(leave);
    row->addStretch(1);
    row->addWidget(quit);
}
