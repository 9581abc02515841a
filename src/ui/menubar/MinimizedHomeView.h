// The Home tab of the attached window: a compact list of the configurations (most recently activated
// first) with search, create, edit and delete, and a footer to leave menu-bar mode or quit. While the
// desktop does not let Quarlin move windows it shows the gate (MinimizedPermissionGate) instead.
//
// Creating, editing and deleting go through the hooks the program gives (the create sheet, the
// editor registry, the shared delete clean-up); a hook left empty does that step plainly here.
#pragma once

#include "MinimizedPermissionGate.h"

#include "model/ConfigurationGroup.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppState;
class MinimizedConfigurationRow;
class ModelContext;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class SavedApp;

class MinimizedHomeView : public QWidget {
    Q_OBJECT
public:
    using Callback = std::function<void()>;
    struct Hooks {
        // Opens the list's editor on a configuration; the callbacks follow its Save and Cancel.
        std::function<void(ConfigurationGroup*, const QList<SavedApp*>& savedApps, Callback onSave,
                           Callback onCancel)>
            openEditor;
        // Shows the create sheet over `parent`; `create` gets the trimmed name and tells whether it
        // worked (else why not, in its second argument).
        std::function<void(QWidget* parent, std::function<bool(const QString&, QString*)> create)> askForName;
        // Stores a new configuration; null (with the reason) leaves the context as it was.
        std::function<ConfigurationGroup*(const QString& name, QString* error)> storeNewConfiguration;
        // Deletes a configuration and forgets what points at it; false (with the reason) changes nothing.
        std::function<bool(ConfigurationGroup*, QString* error)> removeConfiguration;
    };

    MinimizedHomeView(AppState& state, ModelContext& context, Hooks hooks = {}, QWidget* parent = nullptr);

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    bool axTrusted() const { return m_gate->isTrusted(); }
    bool isShowingGate() const;
    // The gate's application icon: whether it was given (0.1 s after the gate appeared), and its
    // opacity as it fades in.
    bool isShowingAppIcon() const { return m_gate->isShowingAppIcon(); }
    double gateIconOpacity() const { return m_gate->appIconOpacity(); }
    QString searchText() const;
    void setSearchText(const QString& text);
    // The rows in the order shown.
    QList<MinimizedConfigurationRow*> rows() const;
    QString emptyStateText() const;
    bool isPollingPermission() const { return m_gate->isPolling(); }

    void refreshModelData();
    // Stores it, shows it and opens its editor; false (with the reason) when it could not be stored.
    bool createConfiguration(const QString& name, QString* error = nullptr);
    void deleteConfiguration(ConfigurationGroup* configuration);
    void editConfiguration(ConfigurationGroup* configuration);
    void checkPermissionStatus() { m_gate->checkStatus(); }
    // The create sheet, as the "+" button opens it.
    void showCreateConfiguration();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildList();
    void fetchSavedApps();
    void fetchConfigurationGroups();
    void updateDisplayedConfigurations();
    void render();
    void scrollToRow(const QString& key);
    // The list once the capability is there, else the gate, watching while the view is shown.
    void showTrust(bool trusted);
    // The gate comes on screen: it watches, the list fetches for when trust comes, the icon fades in.
    void gateAppeared();
    static void onEditorSaved(AppState& state, ConfigurationGroup* configuration);
    static void onEditorCancelled(AppState& state);

    AppState& m_state;
    ModelContext& m_context;
    Hooks m_hooks;
    QList<QPointer<ConfigurationGroup>> m_configurationGroups;
    QList<QPointer<ConfigurationGroup>> m_displayedConfigurations;
    QList<SavedApp*> m_savedApps;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_searchRow = nullptr;
    QLineEdit* m_search = nullptr;
    QWidget* m_headerDivider = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_emptyDetail = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QHash<QString, MinimizedConfigurationRow*> m_rows;
    MinimizedPermissionGate* m_gate = nullptr;
};
