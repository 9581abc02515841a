#include "CompactListHooks.h"

#include <QInputDialog>

namespace CompactListHooks {

MinimizedHomeView::Hooks make(AppState& state, ModelContext& context, QObject* owner) {
    (void)state;
    (void)context;
    (void)owner;
    MinimizedHomeView::Hooks hooks;
    hooks.askForName = [](QWidget* parent, std::function<bool(const QString&, QString*)> create) {
        auto* dialog = new QInputDialog(parent);
        dialog->setWindowTitle(QStringLiteral("New Configuration"));
        dialog->setLabelText(QStringLiteral("Configuration name"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QInputDialog::textValueSelected, parent, [create](const QString& text) {
            const QString name = text.trimmed();
            if (!name.isEmpty())
                create(name, nullptr);
        });
        dialog->open();
    };
    return hooks;
}

QWidget* makeView(AppState& state, ModelContext& context) {
    auto* view = new MinimizedHomeView(state, context);
    view->setHooks(make(state, context, view));
    return view;
}

} // namespace CompactListHooks
