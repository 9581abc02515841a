// The "Running Applications" section of the home tab: the running applications matching the search,
// the one named by the shared state highlighted, a mark on those already saved, and "Save" on the
// highlighted one when it is not.
#pragma once

#include "HomeSection.h"
#include "placement/RunningApp.h"

#include <QList>

#include <functional>

class AppState;
class ApplicationIcons;
class HighlightRow;
class QAbstractButton;
class SavedApp;

class RunningApplicationsSectionView : public HomeSection {
    Q_OBJECT
public:
    RunningApplicationsSectionView(AppState& state, ApplicationIcons& icons, QWidget* parent = nullptr);

    void setApps(const QList<RunningApp>& all, const QList<RunningApp>& filtered,
                 const QList<SavedApp*>& savedApps);
    void setShowRunningApps(bool shown);

    QAbstractButton* refreshButton() const { return m_refresh; }
    const QList<HighlightRow*>& rows() const { return m_rows; }
    QString emptyText() const { return m_emptyText; }

    std::function<void()> onRefresh;
    std::function<void(const RunningApp&)> onSelectApp;
    std::function<void(const RunningApp&)> onSaveApp;

private:
    void rebuild();
    bool isSaved(const QString& bundleID) const;

    AppState& m_state;
    ApplicationIcons& m_icons;
    QAbstractButton* m_refresh;
    QList<RunningApp> m_all;
    QList<RunningApp> m_filtered;
    QList<SavedApp*> m_saved;
    QList<HighlightRow*> m_rows;
    QString m_emptyText;
};
