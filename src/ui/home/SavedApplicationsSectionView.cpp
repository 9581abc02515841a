#include "SavedApplicationsSectionView.h"

#include "ApplicationIcons.h"
#include "HighlightRow.h"
#include "HomeLook.h"
#include "app/AppState.h"
#include "model/SavedApp.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

SavedApplicationsSectionView::SavedApplicationsSectionView(AppState& state, ApplicationIcons& icons,
                                                           QWidget* parent)
    : HomeSection(QStringLiteral("Saved Applications"), QStringLiteral("Search saved applications..."),
                  parent),
      m_state(state), m_icons(icons) {
    m_clearAll = HomeLook::button(HomeLook::ButtonKind::destructiveGlass, QStringLiteral("Clear All"),
                                  QStringLiteral("trash"), this);
    addHeaderWidget(m_clearAll);
    connect(m_clearAll, &QAbstractButton::clicked, this, [this] {
        if (onClearAll)
            onClearAll();
    });
    connect(&m_state, &AppState::changed, this, [this](AppState::Property property) {
        if (property == AppState::Property::bundleID)
            rebuild();
    });
    rebuild();
    updateHeader();
}

void SavedApplicationsSectionView::setSavedApps(const QList<SavedApp*>& all, const QList<SavedApp*>& filtered,
                                                const QList<RunningApp>& runningApps,
                                                const std::optional<QString>& error) {
    m_all = all;
    m_filtered = filtered;
    m_running = runningApps;
    m_error = error;
    rebuild();
    updateHeader();
}

void SavedApplicationsSectionView::setShowSavedApps(bool shown) {
    setContentShown(shown);
    updateHeader();
}

void SavedApplicationsSectionView::updateHeader() {
    m_clearAll->setEnabled(isContentShown() && !m_all.isEmpty());
}

void SavedApplicationsSectionView::rebuild() {
    QVBoxLayout* list = listLayout();
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
        if (m_error)
            m_emptyText = *m_error;
        else
            m_emptyText = m_all.isEmpty() ? QStringLiteral("No saved applications")
                                          : QStringLiteral("No saved applications match your search");
        QLabel* note = makeNote(m_emptyText, this);
        list->addWidget(note);
        note->show();
        updateListHeight();
        return;
    }
    m_emptyText.clear();
    for (SavedApp* app : std::as_const(m_filtered)) {
        auto* row = new HighlightRow(this);
        const bool highlighted = m_state.bundleID() == app->bundleID();
        row->setHighlighted(highlighted);
        QHBoxLayout* content = row->content();
        // Only a running application's icon: nothing is read from disk for the library.
        QIcon icon;
        for (const RunningApp& running : std::as_const(m_running)) {
            if (running.bundleID == app->bundleID()) {
                icon = m_icons.icon(running.icon);
                break;
            }
        }
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
        content->addWidget(HomeLook::elidedLabel(app->name(), HomeLook::font(13, QFont::Medium), row), 1);
        if (highlighted)
            content->addWidget(HomeLook::symbolLabel(QStringLiteral("checkmark.circle.fill"),
                                                     HomeLook::namedColor(QStringLiteral("green")), 16, row));
        QAbstractButton* trash = HomeLook::button(HomeLook::ButtonKind::adaptive, QString(),
                                                  QStringLiteral("trash"), row, QStringLiteral("red"), true);
        trash->setToolTip(QStringLiteral("Remove saved app"));
        connect(trash, &QAbstractButton::clicked, this, [this, app] {
            if (onRemoveSavedApp)
                onRemoveSavedApp(app);
        });
        content->addWidget(trash);
        row->onClick = [this, app] {
            if (onSelectSavedApp)
                onSelectSavedApp(app);
        };
        list->addWidget(row);
        // Shown now, so that the list's height counts it in this very turn.
        row->show();
        m_rows.append(row);
    }
    updateListHeight();
}
