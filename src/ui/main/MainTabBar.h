// The main window's tab bar: one MainTabButton per tab in a row, 8 pixels apart, with one
// highlight behind the selected tab that slides to the next one on the spring timing.
#pragma once

#include <QList>
#include <QRectF>
#include <QWidget>

class MainTabButton;
class QVariantAnimation;

class MainTabBar : public QWidget {
    Q_OBJECT
public:
    struct TabItem {
        QString symbol;
        QString title;
    };
    explicit MainTabBar(const QList<TabItem>& tabs, QWidget* parent = nullptr);

    int currentIndex() const { return m_current; }
    // Moves the highlight (animated while shown) without emitting pressed().
    void setCurrentIndex(int index);
    MainTabButton* button(int index) const { return m_buttons.value(index); }
    // Where the highlight is drawn now (its end position once the slide has finished).
    QRectF highlightRect() const { return m_highlight; }

Q_SIGNALS:
    // A tab was pressed, also the one already selected.
    void tabPressed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QRectF targetRect() const;

    QList<MainTabButton*> m_buttons;
    int m_current = 0;
    QRectF m_highlight;
    QVariantAnimation* m_slide;
};
