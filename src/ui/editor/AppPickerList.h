// A searchable list of applications that can be added, as the saved and the running sections show
// them: a search row, then a scrolling box with one row per application (icon, name, "Add"). A row's
// "Add" is enabled while the editor can take that application.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <functional>

class ConfigurationEditor;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

class AppPickerList : public QWidget {
    Q_OBJECT
public:
    struct Entry {
        QString bundleID;
        QString name;
        // Asked when the row is first drawn; may give a null icon.
        std::function<QIcon()> icon;
        std::function<void()> add;
    };

    static constexpr int maxBoxHeight = 150;
    // An empty box still reads as a box: about two rows high.
    static constexpr int minBoxHeight = 64;

    AppPickerList(ConfigurationEditor& editor, const QString& placeholder, bool clearButton,
                  QWidget* parent = nullptr);

    void setEntries(const QList<Entry>& entries);
    void appendEntry(const Entry& entry);
    // Shown when no row is visible; empty for none.
    void setEmptyTexts(const QString& noEntries, const QString& noMatches);
    // A small progress indicator at the end of the search row while the list is loading.
    void setBusy(bool busy);
    bool isBusyShown() const;

    QString searchText() const;
    void setSearchText(const QString& text);
    // The names of the visible rows, in order.
    QStringList visibleNames() const;
    QPushButton* addButton(const QString& bundleID) const;
    QString emptyText() const;

private:
    void addRow(const Entry& entry);
    void filter();
    void updateEnabled();

    ConfigurationEditor& m_editor;
    QLineEdit* m_search = nullptr;
    QProgressBar* m_busy = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QVBoxLayout* m_rows = nullptr;
    QLabel* m_empty = nullptr;
    QString m_noEntries;
    QString m_noMatches;
    QIcon m_addIcon;
    struct Row {
        QWidget* widget;
        QString bundleID;
        QString name;
        QPushButton* add;
    };
    QList<Row> m_rowList;
};
