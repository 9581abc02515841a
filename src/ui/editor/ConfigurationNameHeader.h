// The editor's top row: "Edit Configuration: <name>" with a pencil, which turns into a name field with
// confirm and cancel buttons. A confirmed name is written to the store at once, on its own; when that
// fails the field stays open with the error and the old name stays.
#pragma once

#include <QWidget>

class ConfigurationEditor;
class HoverSymbolButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

class ConfigurationNameHeader : public QWidget {
    Q_OBJECT
public:
    // Seconds after the field shows at which the keyboard focus is taken from it.
    static constexpr double focusClearDelay = 0.1;

    explicit ConfigurationNameHeader(ConfigurationEditor& editor, QWidget* parent = nullptr);

    bool isEditingName() const { return m_editing; }
    QString editingName() const;
    void setEditingName(const QString& text);
    // The name the display form shows, whole (a long one is cut on screen).
    QString displayedName() const;
    HoverSymbolButton* pencil() const { return m_pencil; }
    QString error() const;

    void startNameEditing();
    void saveConfigurationName();
    void cancelNameEditing();

Q_SIGNALS:
    void editingNameChanged(bool editing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showForm();
    void refreshName();

    ConfigurationEditor& m_editor;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_title = nullptr;
    HoverSymbolButton* m_pencil = nullptr;
    QString m_displayedName;
    QLineEdit* m_field = nullptr;
    QLabel* m_error = nullptr;
    bool m_editing = false;
};
