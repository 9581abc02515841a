// A thin horizontal rule between sections, in a soft gray that suits both colour schemes (the
// platform's sunken line draws a glaring white edge on dark themes).
#pragma once

#include <QWidget>

class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
