// The "Saved Applications" section of the home tab: the user's library of saved applications matching
// the search, each with its running application's icon, the one named by the shared state
// highlighted, a trash button per entry and "Clear All".
#pragma once

#include "HomeSection.h"
#include "placement/RunningApp.h"

#include <QList>

#include <functional>
#include <optional>

class AppState;
class ApplicationIcons;
class HighlightRow;
class QAbstractButton;
class SavedApp;

class SavedApplicationsSectionView : public HomeSection {
    Q_OBJECT
public:
    SavedApplicationsSectionView(AppState& state, ApplicationIcons& icons, QWidget* parent = nullptr);

    // `error` replaces the empty-list text when the library could not be read.
    void setSavedApps(const QList<SavedApp*>& all, const QList<SavedApp*>& filtered,
                      const QList<RunningApp>& runningApps,
                      const std::optional<QString>& error = std::nullopt);
    void setShowSavedApps(bool shown);

    QAbstractButton* clearAllButton() const { return m_clearAll; }
    const QList<HighlightRow*>& rows() const { return m_rows; }
    QString emptyText() const { return m_emptyText; }

    std::function<void()> onClearAll;
    std::function<void(SavedApp*)> onSelectSavedApp;
    std::function<void(SavedApp*)> onRemoveSavedApp;

private:
    void rebuild();
    void updateHeader();

    AppState& m_state;
    ApplicationIcons& m_icons;
    QAbstractButton* m_clearAll;
    QList<SavedApp*> m_all;
    QList<SavedApp*> m_filtered;
    QList<RunningApp> m_running;
    std::optional<QString> m_error;
    QList<HighlightRow*> m_rows;
    QString m_emptyText;
};
