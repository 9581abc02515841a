// The rows of the configuration list, most recently activated first, built only for the part of the
// list that is in view (a thousand configurations cost a handful of rows), and scrolled to a row on
// request.
#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class ConfigurationGroup;
class ConfigurationRow;
class QLabel;
class QScrollArea;
class QVariantAnimation;

class ConfigurationListView : public QWidget {
    Q_OBJECT
public:
    using RowFactory = std::function<ConfigurationRow*(ConfigurationGroup*, QWidget* parent)>;

    static constexpr int spacing = 6;
    static constexpr int inset = 4;
    // Rows kept beyond the visible ones on each side.
    static constexpr int overscan = 2;
    static constexpr int scrollDuration = 500;

    ConfigurationListView(QScrollArea* scrollArea, RowFactory factory, QWidget* parent = nullptr);

    // The configurations to show, in the order given; the view orders them itself.
    void setConfigurations(const QList<ConfigurationGroup*>& configurations);
    // Re-sorts after activation dates changed.
    void reorder();
    // Shown instead of rows while the list is empty.
    void setEmptyText(const QString& text);

    const QList<ConfigurationGroup*>& order() const { return m_order; }
    // The row built for a configuration; null while it is out of view.
    ConfigurationRow* rowFor(const ConfigurationGroup* configuration) const;
    QList<ConfigurationRow*> builtRows() const;
    int rowHeight() const { return m_rowHeight; }
    // The top of the row at this position of the order.
    int rowTop(int index) const;
    // Animates the scroll so that the configuration's row reaches the top edge of the view.
    void scrollToConfiguration(const ConfigurationGroup* configuration);
    bool isScrolling() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void measureRowHeight();
    void discard(ConfigurationRow* row);
    void layoutRows();
    int contentHeight() const;

    QScrollArea* m_scrollArea;
    RowFactory m_factory;
    QList<ConfigurationGroup*> m_order;
    QHash<const ConfigurationGroup*, ConfigurationRow*> m_rows;
    QLabel* m_empty;
    int m_rowHeight = 0;
    bool m_layingOut = false;
    QPointer<QVariantAnimation> m_scroll;
};
