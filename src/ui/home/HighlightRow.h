// A row of the application lists: a rounded card that is tinted with the accent colour while
// highlighted, and whose whole rectangle answers a click.
#pragma once

#include <QFrame>

#include <functional>

class QHBoxLayout;

class HighlightRow : public QFrame {
    Q_OBJECT
public:
    explicit HighlightRow(QWidget* parent = nullptr);

    QHBoxLayout* content() const { return m_layout; }
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }

    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_layout;
    bool m_highlighted = false;
};
