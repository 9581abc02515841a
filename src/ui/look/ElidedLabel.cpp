#include "ElidedLabel.h"

#include <QFontMetrics>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFullText(text);
}

QString ElidedLabel::elided(const QString& text, const QFont& font, int pixels) {
    // Line breaks would make a one-line text several lines tall.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return QFontMetrics(font).elidedText(line, Qt::ElideRight, qMax(pixels, 0));
}

void ElidedLabel::setFullText(const QString& text) {
    m_full = text;
    updateGeometry();
    refit();
}

void ElidedLabel::setPreferredWidthLimit(int pixels) {
    m_limit = pixels;
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = qMin(metrics.horizontalAdvance(elided(m_full, font(), m_limit)) + 2, m_limit);
    return QSize(width + contentsMargins().left() + contentsMargins().right(),
                 metrics.height() + contentsMargins().top() + contentsMargins().bottom());
}

QSize ElidedLabel::minimumSizeHint() const {
    return QSize(QFontMetrics(font()).horizontalAdvance(QStringLiteral("W…")), sizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refit();
}

void ElidedLabel::refit() {
    const QString shown = elided(m_full, font(), contentsRect().width());
    if (shown != text())
        setText(shown);
}
