// A small picture of a layout, painted from its positions: the screen as a rounded outline with one
// filled rectangle per position. With no positions it draws a dashed square (a custom layout).
#pragma once

#include "model/Corner.h"

#include <QList>
#include <QWidget>

class LayoutThumbnail : public QWidget {
    Q_OBJECT
public:
    explicit LayoutThumbnail(QList<Corner> positions, QWidget* parent = nullptr);

    const QList<Corner>& positions() const { return m_positions; }
    // Where each position falls in a screen of `size`, the way the placement engine computes it.
    static QList<QRectF> tiles(const QList<Corner>& positions, const QSizeF& size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<Corner> m_positions;
};
