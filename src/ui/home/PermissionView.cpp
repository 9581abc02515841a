#include "PermissionView.h"

#include "HomeLook.h"
#include "ui/WindowControlProblem.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVBoxLayout>

QString PermissionView::missingTitle() {
    return WindowControlProblem::title();
}

QString PermissionView::missingDetail() {
    return WindowControlProblem::detail();
}

PermissionView::PermissionView(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(40, 40, 40, 40);
    outer->setSpacing(24);
    outer->addStretch(1);

    auto* top = new QVBoxLayout();
    top->setSpacing(12);
    auto* lock = HomeLook::symbolLabel(QStringLiteral("lock.shield"), HomeLook::namedColor("blue"), 64, this);
    top->addWidget(lock, 0, Qt::AlignHCenter);
    auto* title =
        HomeLook::plainLabel(QStringLiteral("Authorize"), HomeLook::font(26, QFont::DemiBold), this);
    top->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = HomeLook::plainLabel(QStringLiteral("Quarlin needs your permission to manage windows:"),
                                          HomeLook::font(15), this);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);
    QPalette secondary = subtitle->palette();
    secondary.setColor(QPalette::WindowText, HomeLook::secondaryText(this));
    subtitle->setPalette(secondary);
    top->addWidget(subtitle);
    outer->addLayout(top);

    auto* bottom = new QVBoxLayout();
    bottom->setSpacing(16);
    m_missing = HomeLook::plainLabel(missingTitle(), HomeLook::font(17, QFont::Medium), this);
    m_missing->setAlignment(Qt::AlignCenter);
    m_missing->setWordWrap(true);
    bottom->addWidget(m_missing);

    auto* card = new QFrame(this);
    card->setObjectName(QStringLiteral("permissionCard"));
    card->setStyleSheet(QStringLiteral("QFrame#permissionCard { background: palette(base); border: 1px solid "
                                       "palette(mid); border-radius: 8px; }"));
    auto* cardRow = new QHBoxLayout(card);
    cardRow->setContentsMargins(16, 14, 16, 14);
    cardRow->setSpacing(16);
    m_icon = new QLabel(card);
    m_icon->setFixedSize(56, 56);
    m_icon->setPixmap(QApplication::windowIcon().pixmap(56, 56));
    m_iconOpacity = new QGraphicsOpacityEffect(m_icon);
    m_iconOpacity->setOpacity(0.0);
    m_icon->setGraphicsEffect(m_iconOpacity);
    cardRow->addWidget(m_icon);
    auto* texts = new QVBoxLayout();
    texts->addWidget(
        HomeLook::plainLabel(QStringLiteral("Quarlin"), HomeLook::font(15, QFont::Medium), card));
    auto* detail = HomeLook::plainLabel(missingDetail(), HomeLook::font(11), card);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    cardRow->addLayout(texts, 1);
    m_check = HomeLook::button(HomeLook::ButtonKind::glass, QStringLiteral("Check Again"), QString(), card);
    cardRow->addWidget(m_check);
    bottom->addWidget(card);
    outer->addLayout(bottom);
    outer->addStretch(1);
    setMaximumWidth(520 + 80);

    connect(m_check, &QAbstractButton::clicked, this, [this] {
        m_missing->setText(missingTitle());
        if (onCheckAgain)
            onCheckAgain();
    });
}

void PermissionView::showAppIcon() {
    if (m_iconShown)
        return;
    m_iconShown = true;
    auto* fade = new QPropertyAnimation(m_iconOpacity, "opacity", this);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(800);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}
