#include "AppConfigurationsSectionView.h"

#include "ConfigurationListView.h"
#include "ConfigurationRow.h"
#include "HomeLook.h"
#include "model/ConfigurationGroup.h"

#include <QAbstractButton>
#include <QPointer>

AppConfigurationsSectionView::AppConfigurationsSectionView(Platform& platform, AppState& state,
                                                           ApplicationIcons& icons, QWidget* parent)
    : HomeSection(QStringLiteral("App Configurations"), QStringLiteral("Search configurations..."), parent),
      m_platform(platform), m_state(state), m_icons(icons) {
    m_new = HomeLook::button(HomeLook::ButtonKind::glass, QStringLiteral("New Configuration"),
                             QStringLiteral("plus"), this);
    m_clearAll = HomeLook::button(HomeLook::ButtonKind::destructiveGlass, QStringLiteral("Clear All"),
                                  QStringLiteral("trash"), this);
    addHeaderWidget(m_new);
    addHeaderWidget(m_clearAll);
    connect(m_new, &QAbstractButton::clicked, this, [this] {
        if (onCreateConfiguration)
            onCreateConfiguration();
    });
    connect(m_clearAll, &QAbstractButton::clicked, this, [this] {
        if (onClearAll)
            onClearAll();
    });

    m_list = new ConfigurationListView(scrollArea(), [this](ConfigurationGroup* configuration,
                                                            QWidget* host) {
        ConfigurationRow::Callbacks callbacks;
        callbacks.onRemove = [this, configuration] {
            if (onRemoveConfiguration)
                onRemoveConfiguration(configuration);
        };
        callbacks.onEdit = [this, configuration](std::optional<QString> id) {
            if (onEditConfiguration)
                onEditConfiguration(configuration, id);
        };
        QPointer<AppConfigurationsSectionView> self(this);
        QPointer<ConfigurationGroup> target(configuration);
        callbacks.onScrollToSelf = [self, target] {
            if (self && target)
                self->requestScroll(target);
        };
        return new ConfigurationRow(m_platform, m_state, configuration, m_icons, std::move(callbacks), host);
    });
    setListWidget(m_list);
    updateHeader();
}

void AppConfigurationsSectionView::setConfigurations(const QList<ConfigurationGroup*>& all,
                                                     const QList<ConfigurationGroup*>& filtered,
                                                     const std::optional<QString>& error) {
    // A search keystroke changes only the filtered list: the watched configurations stay.
    if (all != m_all || m_dateConnections.size() != all.size())
        watchActivationDates(all);
    m_all = all;
    if (error)
        m_emptyText = *error;
    else if (all.isEmpty())
        m_emptyText = QStringLiteral("No configurations created yet");
    else
        m_emptyText = QStringLiteral("No configurations match your search");
    m_list->setEmptyText(m_emptyText);
    m_list->setConfigurations(filtered);
    updateListHeight();
    updateHeader();
}

void AppConfigurationsSectionView::setShowConfigurations(bool shown) {
    setContentShown(shown);
    updateHeader();
}

void AppConfigurationsSectionView::updateHeader() {
    m_new->setEnabled(isContentShown());
    m_clearAll->setEnabled(isContentShown() && !m_all.isEmpty());
}

// An activation moves its configuration to the top of the order.
void AppConfigurationsSectionView::watchActivationDates(const QList<ConfigurationGroup*>& configurations) {
    for (const QMetaObject::Connection& c : std::as_const(m_dateConnections))
        disconnect(c);
    m_dateConnections.clear();
    m_dateConnections.reserve(configurations.size());
    for (ConfigurationGroup* configuration : configurations) {
        m_dateConnections.append(
            connect(configuration, &ConfigurationGroup::lastActivatedAtChanged, this, [this] {
                if (m_reorderQueued)
                    return;
                m_reorderQueued = true;
                QPointer<AppConfigurationsSectionView> self(this);
                m_platform.scheduler.async([self] {
                    if (!self)
                        return;
                    self->m_reorderQueued = false;
                    self->m_list->reorder();
                });
            }));
    }
}

void AppConfigurationsSectionView::requestScroll(ConfigurationGroup* configuration) {
    QPointer<AppConfigurationsSectionView> self(this);
    QPointer<ConfigurationGroup> target(configuration);
    m_platform.scheduler.after(scrollDelay, [self, target] {
        if (self && target)
            self->m_list->scrollToConfiguration(target);
    });
}
