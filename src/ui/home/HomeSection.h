// The frame the three home sections share: a header with the title and the section's commands,
// then, while the section is shown, a search row and a list area at most 200 pixels high.
#pragma once

#include <QFrame>
#include <QString>

#include <functional>

class QAction;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

class HomeSection : public QFrame {
    Q_OBJECT
public:
    static constexpr int maxListHeight = 200;

    HomeSection(const QString& title, const QString& searchPlaceholder, QWidget* parent = nullptr);

    // Adds a command to the header, after the flexible space.
    void addHeaderWidget(QWidget* widget);
    // Whether the search row and the list are shown.
    void setContentShown(bool shown);
    bool isContentShown() const { return m_contentShown; }
    // Shows the text without reporting it as an edit.
    void setSearchText(const QString& text);
    QString searchText() const;
    QLineEdit* searchField() const { return m_search; }
    QScrollArea* scrollArea() const { return m_scroll; }
    // The list's own stack (6 pixels apart, 4 pixels of inset left and right).
    QVBoxLayout* listLayout() const { return m_listLayout; }
    // Replaces the stack with a widget of the caller's.
    void setListWidget(QWidget* widget);
    // A text in the secondary colour with 8 pixels above and below, for empty lists and errors.
    static QLabel* makeNote(const QString& text, QWidget* parent);

    // Every edit of the search field with the whole new text, and "" from the clear button.
    std::function<void(const QString&)> onSearchTextChange;

protected:
    // Fits the list area to the list's content; the sections call it after rebuilding their rows.
    void updateListHeight();

private:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QHBoxLayout* m_header;
    QWidget* m_searchRow;
    QLineEdit* m_search;
    QAction* m_clear;
    QScrollArea* m_scroll;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    bool m_contentShown = true;
};
