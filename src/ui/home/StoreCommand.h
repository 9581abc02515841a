// One change of the home commands written to the store as a unit: on a failed save the change is
// taken back in the context at once, so that no later, unrelated save writes it after all.
#pragma once

#include <QString>

#include <functional>

class ModelContext;

namespace StoreCommand {

// Writes what was already pending first (when that fails, `change` does not run), then makes the
// change and saves it; a failed save takes the change back. False with the error on a failure.
bool run(ModelContext& context, const std::function<void()>& change, QString* error = nullptr);

} // namespace StoreCommand
