#include "EditConfigurationWindow.h"

#include "EditConfigurationModalView.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <QVariantAnimation>

EditConfigurationWindow::EditConfigurationWindow(ConfigurationGroup* configuration,
                                                 const std::optional<QString>& selectedPositionGroupID,
                                                 const QList<SavedApp*>& savedApps, AppState& appState,
                                                 ModelContext& modelContext, OnSave onSave, OnCancel onCancel)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowStaysOnTopHint),
      m_configuration(configuration), m_onSave(std::move(onSave)), m_onCancel(std::move(onCancel)) {
    setObjectName(QStringLiteral("editConfigurationWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Edit Configuration: ") + configuration->name());
    resize(width, appState.showRunningAppsInEditModal() ? heightWithRunningApps : height);

    QPointer<EditConfigurationWindow> self(this);
    m_view = new EditConfigurationModalView(
        configuration, selectedPositionGroupID, savedApps, appState, modelContext,
        [self](ConfigurationGroup*) {
            if (self)
                self->end(Ending::saved);
        },
        [self] {
            if (self)
                self->end(Ending::cancelled);
        },
        [self](double h) {
            if (self)
                self->changeHeight(h);
        });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_view, &EditConfigurationModalView::configurationDeleted, this,
            [this] { end(Ending::deleted); });

    // Centred on the display under the pointer.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

EditConfigurationWindow::~EditConfigurationWindow() = default;

void EditConfigurationWindow::show() {
    QWidget::show();
    raise();
    activateWindow();
}

void EditConfigurationWindow::changeHeight(double h) {
    const int target = qRound(h);
    if (qAbs(targetHeight() - h) < 0.5)
        return;
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setDuration(200);
        m_animation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { resize(QWidget::width(), value.toInt()); });
    }
    m_animation->stop();
    // Only the height animates: the top-left corner (and so the top edge) stays where it is.
    m_animation->setStartValue(QWidget::height());
    m_animation->setEndValue(target);
    m_animation->start();
}

int EditConfigurationWindow::targetHeight() const {
    if (m_animation && m_animation->state() == QAbstractAnimation::Running)
        return m_animation->endValue().toInt();
    return QWidget::height();
}

void EditConfigurationWindow::closeDiscarding() {
    end(Ending::replaced);
}

void EditConfigurationWindow::end(Ending ending) {
    if (m_ending != Ending::none)
        return;
    m_ending = ending;
    if (ending != Ending::saved)
        m_view->discard();
    // Holds this window while the callbacks run: they may open another editor.
    QPointer<EditConfigurationWindow> self(this);
    if (ending == Ending::saved && m_onSave)
        m_onSave(m_configuration);
    else if ((ending == Ending::cancelled || ending == Ending::deleted) && m_onCancel)
        m_onCancel();
    if (!self)
        return;
    if (ending == Ending::deleted) {
        auto* box =
            new QMessageBox(QMessageBox::Information, QStringLiteral("Configuration Deleted"),
                            QStringLiteral("The configuration “%1” was deleted, so its editor closed. "
                                           "Changes not saved in it are gone.")
                                .arg(m_configuration ? m_configuration->name() : QString()),
                            QMessageBox::Ok);
        box->setObjectName(QStringLiteral("configurationDeletedMessage"));
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    close();
    m_finished = true;
    Q_EMIT finished();
}

void EditConfigurationWindow::closeEvent(QCloseEvent* event) {
    // The window's own close button counts as Cancel.
    if (m_ending == Ending::none) {
        event->ignore();
        end(Ending::cancelled);
        return;
    }
    QWidget::closeEvent(event);
}
