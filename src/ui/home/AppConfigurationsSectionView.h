// The "App Configurations" section of the home tab: its header commands, its search field and the
// list of configuration rows. It owns no data: the home tab hands it the lists and takes its
// callbacks.
#pragma once

#include "HomeSection.h"
#include "platform/Platform.h"

#include <QList>

#include <functional>
#include <optional>

class AppState;
class ApplicationIcons;
class ConfigurationGroup;
class ConfigurationListView;
class QAbstractButton;

class AppConfigurationsSectionView : public HomeSection {
    Q_OBJECT
public:
    // Seconds between an activation and the scroll to its row.
    static constexpr double scrollDelay = 0.3;

    AppConfigurationsSectionView(Platform& platform, AppState& state, ApplicationIcons& icons,
                                 QWidget* parent = nullptr);

    // All configurations and the ones matching the search; `error` replaces the empty-list text when
    // the configurations could not be read.
    void setConfigurations(const QList<ConfigurationGroup*>& all, const QList<ConfigurationGroup*>& filtered,
                           const std::optional<QString>& error = std::nullopt);
    void setShowConfigurations(bool shown);

    ConfigurationListView* listView() const { return m_list; }
    QAbstractButton* newButton() const { return m_new; }
    QAbstractButton* clearAllButton() const { return m_clearAll; }
    QString emptyText() const { return m_emptyText; }

    std::function<void()> onCreateConfiguration;
    std::function<void()> onClearAll;
    std::function<void(ConfigurationGroup*)> onRemoveConfiguration;
    std::function<void(ConfigurationGroup*, std::optional<QString>)> onEditConfiguration;

private:
    void updateHeader();
    void requestScroll(ConfigurationGroup* configuration);
    void watchActivationDates(const QList<ConfigurationGroup*>& configurations);

    Platform& m_platform;
    AppState& m_state;
    ApplicationIcons& m_icons;
    ConfigurationListView* m_list;
    QAbstractButton* m_new;
    QAbstractButton* m_clearAll;
    QList<ConfigurationGroup*> m_all;
    QList<QMetaObject::Connection> m_dateConnections;
    bool m_reorderQueued = false;
    QString m_emptyText;
};
