#include "StoreCommand.h"

#include "store/ModelContext.h"

namespace StoreCommand {

bool run(ModelContext& context, const std::function<void()>& change, QString* error) {
    // Taking back our change must not take back someone else's.
    if (context.hasChanges() && !context.save(error))
        return false;
    change();
    if (context.save(error))
        return true;
    context.rollback();
    return false;
}

} // namespace StoreCommand
