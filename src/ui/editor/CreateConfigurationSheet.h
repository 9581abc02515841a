// The small sheet in which the user names a new configuration. It creates nothing itself: it trims
// the name, refuses a blank one, and hands it to its presenter's callback. When the callback reports
// success the sheet clears the name and closes; when it reports an error the sheet stays open with
// the typed name and shows the error.
//
// Use (the home tab and the compact list):
//   auto* sheet = new CreateConfigurationSheet(parentWindow, [&](const QString& name, QString* error) {
//       ConfigurationGroup* created = CreateConfigurationSheet::storeNewConfiguration(state, context, name,
//       error); if (!created)
//           return false;
//       ... open `created` in the list's EditConfigurationWindowManager ...
//       return true;
//   });
//   sheet->setAttribute(Qt::WA_DeleteOnClose);
//   sheet->open();
#pragma once

#include <QDialog>

#include <functional>

class AppState;
class ConfigurationGroup;
class ModelContext;
class QLabel;
class QLineEdit;
class QPushButton;

class CreateConfigurationSheet : public QDialog {
    Q_OBJECT
public:
    // Gets the trimmed, non-blank name; true when the configuration exists now, else false with the
    // reason in `error`.
    using OnCreate = std::function<bool(const QString& name, QString* error)>;

    CreateConfigurationSheet(QWidget* parent, OnCreate onCreateConfiguration);

    QString configurationName() const;
    void setConfigurationName(const QString& name);
    // What Return in the field and the "Create" button do.
    void createConfiguration();
    // The error of the last create that failed; empty when none.
    QString error() const;

    // The create that both lists share: a configuration named `name`, sized from the main display's
    // visible frame (1920 by 1080 without a display), activated now, inserted and written to the store
    // on its own. When the write fails it is taken out of the context again: nullptr, `error` says why.
    static ConfigurationGroup* storeNewConfiguration(AppState& state, ModelContext& context,
                                                     const QString& name, QString* error = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cancel();
    void updateCreateEnabled();
    // Shows the error in full: the sheet grows to the lines it wraps into.
    void showError(const QString& text);

    OnCreate m_onCreate;
    QLineEdit* m_field = nullptr;
    QLabel* m_error = nullptr;
    QPushButton* m_create = nullptr;
    bool m_finishing = false;
};
