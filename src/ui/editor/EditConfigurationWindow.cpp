#include "EditConfigurationWindow.h"

#include "ConfigurationEditor.h"
#include "EditConfigurationModalView.h"
#include "app/AppState.h"
#include "model/ConfigurationGroup.h"
#include "ui/look/BackgroundWindowMove.h"
#include "ui/look/DialogFrame.h"
#include "ui/look/ElidedLabel.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
// The longest a configuration name in a message is drawn, in pixels.
constexpr int messageNameWidth = 300;
} // namespace

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
    // A name of any length leaves the title bar readable.
    setWindowTitle(QStringLiteral("Edit Configuration: ") +
                   ElidedLabel::elided(configuration->name(), font(), titleNameWidth));

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
    // The view's sections scroll, so the window never has to outgrow the screen.
    layout->addWidget(m_view);
    setMinimumSize(width, 200);
    BackgroundWindowMove::install(this);

    connect(m_view, &EditConfigurationModalView::configurationDeleted, this,
            [this] { end(Ending::deleted); });

    // Centred on the display under the pointer, within its visible frame.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    resize(width, fittedHeight(appState.showRunningAppsInEditModal() ? heightWithRunningApps : height));
    if (screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QRect EditConfigurationWindow::visibleFrame() const {
    QScreen* screen = isVisible() ? this->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

int EditConfigurationWindow::decorationHeight() const {
    // The window manager's title bar and borders, guessed until the window has them.
    return isVisible() && frameGeometry().height() > QWidget::height()
               ? frameGeometry().height() - QWidget::height()
               : assumedDecoration;
}

int EditConfigurationWindow::fittedHeight(int wanted) const {
    const QRect frame = visibleFrame();
    if (frame.isEmpty())
        return wanted;
    return qMax(minimumHeight(), qMin(wanted, frame.height() - decorationHeight()));
}

EditConfigurationWindow::~EditConfigurationWindow() = default;

void EditConfigurationWindow::show() {
    QWidget::show();
    raise();
    activateWindow();
}

void EditConfigurationWindow::changeHeight(double h) {
    // The request counts the title bar and borders; the window was made with a content height.
    const int decoration = isVisible() ? frameGeometry().height() - QWidget::height() : 0;
    if (qAbs(targetHeight() + decoration - h) < 0.5)
        return;
    const int target = fittedHeight(qRound(h - decoration));
    if (targetHeight() == target)
        return;
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setDuration(200);
        m_animation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { resize(QWidget::width(), value.toInt()); });
    }
    m_animation->stop();
    // Only the height animates: the top-left corner (and so the top edge) stays where it is, unless
    // the bottom would leave the visible frame; then the window first rises as far as needed.
    const QRect visible = visibleFrame();
    const int below = frameGeometry().bottom() + (target - QWidget::height()) - visible.bottom();
    if (!visible.isEmpty() && below > 0)
        move(x(), qMax(visible.top(), y() - below));
    {
        // A finished animation stands at its end: a new end value would jump the window there at once.
        const QSignalBlocker quiet(m_animation);
        m_animation->setStartValue(QWidget::height());
        m_animation->setEndValue(target);
    }
    m_animation->start();
}

int EditConfigurationWindow::targetHeight() const {
    if (m_animation && m_animation->state() == QAbstractAnimation::Running)
        return m_animation->endValue().toInt();
    return QWidget::height();
}

bool EditConfigurationWindow::hasUnsavedChanges() const {
    return !m_finished && m_view->editor().hasUnsavedChanges();
}

void EditConfigurationWindow::addFollower(const QObject* follower, OnSave onSave, OnCancel onCancel) {
    m_followers.removeIf([follower](const Follower& f) { return !f.key || f.key == follower; });
    m_followers.append({follower, std::move(onSave), std::move(onCancel)});
}

void EditConfigurationWindow::askToDiscard(const QString& nextName, std::function<void()> discard) {
    if (m_question)
        m_question->close();
    const QString name = m_configuration ? m_configuration->name() : QString();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Discard Unsaved Changes?"),
                                QStringLiteral("Discard Unsaved Changes?"), QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("discardChangesQuestion"));
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(QStringLiteral("“%1” has changes that are not saved. Opening “%2” throws them "
                                           "away.")
                                .arg(ElidedLabel::elided(name, font(), messageNameWidth),
                                     ElidedLabel::elided(nextName, font(), messageNameWidth)));
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    QPushButton* discardButton =
        box->addButton(QStringLiteral("Discard Changes"), QMessageBox::DestructiveRole);
    QPushButton* keep = box->addButton(QStringLiteral("Keep Editing"), QMessageBox::RejectRole);
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    DialogFrame::apply(box);
    connect(box, &QMessageBox::buttonClicked, this, [discardButton, discard](QAbstractButton* clicked) {
        if (clicked == discardButton)
            discard();
    });
    m_question = box;
    show();
    box->open();
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
    const bool saved = ending == Ending::saved;
    const bool cancelled = ending == Ending::cancelled || ending == Ending::deleted;
    QPointer<ConfigurationGroup> configuration = m_configuration;
    const QList<Follower> followers = m_followers;
    if (saved && m_onSave)
        m_onSave(configuration);
    else if (cancelled && m_onCancel)
        m_onCancel();
    for (const Follower& follower : followers) {
        if (saved && follower.onSave)
            follower.onSave(configuration);
        else if (cancelled && follower.onCancel)
            follower.onCancel();
    }
    if (!self)
        return;
    if (m_question)
        m_question->close();
    if (ending == Ending::deleted) {
        auto* box = new QMessageBox(
            QMessageBox::Information, QStringLiteral("Configuration Deleted"),
            QStringLiteral("The configuration “%1” was deleted, so its editor closed. "
                           "Changes not saved in it are gone.")
                .arg(ElidedLabel::elided(m_configuration ? m_configuration->name() : QString(), font(),
                                         messageNameWidth)),
            QMessageBox::Ok);
        box->setObjectName(QStringLiteral("configurationDeletedMessage"));
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        DialogFrame::apply(box);
        box->open();
    }
    close();
    m_finished = true;
    Q_EMIT finished();
}

void EditConfigurationWindow::closeEvent(QCloseEvent* event) {
    // The window's own close button, and the quit of the program, count as Cancel. The close itself
    // goes through: Qt takes a refused close as a refusal to quit.
    if (m_ending == Ending::none)
        end(Ending::cancelled);
    QWidget::closeEvent(event);
}
