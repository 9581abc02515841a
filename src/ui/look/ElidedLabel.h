// A one-line plain-text label that shows as much of its text as its width allows, ending in "…",
// and never asks for more width than it is given: a name of any length cannot widen its window.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    // The whole text (text() gives what is shown).
    QString fullText() const { return m_full; }
    void setFullText(const QString& text);
    // The widest the label asks to be, however long its text.
    void setPreferredWidthLimit(int pixels);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // `text` cut to `pixels` of `font`, for window titles and buttons.
    static QString elided(const QString& text, const QFont& font, int pixels);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    QString m_full;
    int m_limit = 400;
};
