#include "RunningApplicationsSectionView.h"

#include "ApplicationIcons.h"
#include "HighlightRow.h"
#include "HomeLook.h"
#include "app/AppState.h"
#include "model/SavedApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

RunningApplicationsSectionView::RunningApplicationsSectionView(AppState& state, ApplicationIcons& icons,
                                                               QWidget* parent)
    : HomeSection(QStringLiteral("Running Applications"), QStringLiteral("Search applications..."), parent),
      m_state(state), m_icons(icons) {
    m_refresh = HomeLook::button(HomeLook::ButtonKind::glass, QStringLiteral("Refresh"),
                                 QStringLiteral("arrow.clockwise"), this);
    addHeaderWidget(m_refresh);
    connect(m_refresh, &QAbstractButton::clicked, this, [this] {
        if (onRefresh)
            onRefresh();
    });
    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        if (property == AppState::Property::bundleID)
            rebuild();
    });
    rebuild();
}

void RunningApplicationsSectionView::setApps(const QList<RunningApp>& all, const QList<RunningApp>& filtered,
                                             const QList<SavedApp*>& savedApps) {
    m_all = all;
    m_filtered = filtered;
    m_saved = savedApps;
    rebuild();
}

void RunningApplicationsSectionView::setShowRunningApps(bool shown) {
    setContentShown(shown);
    m_refresh->setEnabled(shown);
}

bool RunningApplicationsSectionView::isSaved(const QString& bundleID) const {
    for (const SavedApp* app : m_saved) {
        if (app->bundleID() == bundleID)
            return true;
    }
    return false;
}

void RunningApplicationsSectionView::rebuild() {
    QVBoxLayout* list = listLayout();
    // A focused row button (Save, just pressed) is about to go: the focus stays in this list instead
    // of jumping to whatever comes next in the window.
    if (QWidget* focused = QApplication::focusWidget(); focused && scrollArea()->isAncestorOf(focused))
        scrollArea()->setFocus(Qt::OtherFocusReason);
    // A row may be rebuilt from inside its own click: let it finish first.
    while (QLayoutItem* item = list->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    m_rows.clear();
    if (m_filtered.isEmpty()) {
        m_emptyText = m_all.isEmpty() ? QStringLiteral("No running applications found")
                                      : QStringLiteral("No applications match your search");
        QLabel* note = makeNote(m_emptyText, this);
        list->addWidget(note);
        note->show();
        updateListHeight();
        return;
    }
    m_emptyText.clear();
    const QColor green = HomeLook::namedColor(QStringLiteral("green"));
    for (const RunningApp& app : std::as_const(m_filtered)) {
        auto* row = new HighlightRow(this);
        const bool highlighted = m_state.bundleID() == app.bundleID;
        const bool saved = isSaved(app.bundleID);
        row->setHighlighted(highlighted);
        QHBoxLayout* content = row->content();
        const QIcon icon = m_icons.icon(app.icon);
        QLabel* iconLabel;
        if (icon.isNull()) {
            iconLabel =
                HomeLook::symbolLabel(QStringLiteral("app.fill"), HomeLook::secondaryText(this), 24, row);
        } else {
            iconLabel = new QLabel(row);
            iconLabel->setPixmap(icon.pixmap(24, 24));
            iconLabel->setFixedSize(24, 24);
        }
        content->addWidget(iconLabel);
        content->addWidget(HomeLook::elidedLabel(app.name, HomeLook::font(13, QFont::Medium), row), 1);
        if (saved)
            content->addWidget(
                HomeLook::symbolLabel(QStringLiteral("checkmark.circle.fill"), green, 16, row));
        if (highlighted) {
            auto* button = new QPushButton(saved ? QStringLiteral("Saved") : QStringLiteral("Save"), row);
            button->setAutoDefault(false);
            button->setFont(HomeLook::font(11));
            button->setEnabled(!saved);
            const RunningApp target = app;
            connect(button, &QPushButton::clicked, this, [this, target] {
                if (onSaveApp)
                    onSaveApp(target);
            });
            content->addWidget(button);
        }
        const RunningApp target = app;
        row->onClick = [this, target] {
            if (onSelectApp)
                onSelectApp(target);
        };
        list->addWidget(row);
        // Shown now, so that the list's height counts it in this very turn.
        row->show();
        m_rows.append(row);
    }
    updateListHeight();
}
