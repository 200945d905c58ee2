#include "process/RunnerLink.h"

namespace ondrevo {

bool RunnerLink::Post(Task task)
{
    // Posting under the lock: Cut() cannot complete between the check and the post.
    std::lock_guard lock(mutex_);
    if (cut_)
        return false;
    loop_->Post(std::move(task));
    return true;
}

void RunnerLink::Cut()
{
    std::lock_guard lock(mutex_);
    cut_ = true;
}

} // namespace ondrevo
