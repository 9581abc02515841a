// What the compact list of the attached window uses of the rest of the interface: the create sheet,
// the editor window, the delete clean-up.
#pragma once

#include "MinimizedHomeView.h"

namespace CompactListHooks {
// The list's editor manager lives with the run (EditorRegistry), not with `owner`, so that an open
// editor outlives the list; `owner` is the list itself.
MinimizedHomeView::Hooks make(AppState& state, ModelContext& context, QObject* owner);
// The compact list as the attached window's Home tab shows it.
QWidget* makeView(AppState& state, ModelContext& context);
} // namespace CompactListHooks
