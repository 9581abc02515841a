// What the compact list of the attached window uses of the rest of the interface: the create sheet,
// the editor window, the delete clean-up.
#pragma once

#include "MinimizedHomeView.h"

namespace CompactListHooks {
// `owner` keeps the list's editor registry; it is the list itself.
MinimizedHomeView::Hooks make(AppState& state, ModelContext& context, QObject* owner);
// The compact list as the attached window's Home tab shows it.
QWidget* makeView(AppState& state, ModelContext& context);
} // namespace CompactListHooks
