#include "conversion/JobLife.h"

namespace ondrevo {

JobLife NextLife(JobLife life, JobEvent event)
{
    const bool startable = life == JobLife::Free || life == JobLife::Abandoned || life == JobLife::Preparing;
    switch (event) {
    case JobEvent::Prepare:
        return life == JobLife::Free || life == JobLife::Abandoned ? JobLife::Preparing : life;
    case JobEvent::Start:
        return startable ? JobLife::Running : life;
    case JobEvent::Refuse:
    case JobEvent::Skip:
        return startable ? JobLife::EndPosted : life;
    case JobEvent::Pause:
        return life == JobLife::Running ? JobLife::Paused : life;
    case JobEvent::Resume:
        return life == JobLife::Paused ? JobLife::Running : life;
    case JobEvent::Stop:
        if (life == JobLife::Running || life == JobLife::Paused)
            return JobLife::Stopping;
        // A start still being read, or an end without an encoder, gives up the slot.
        return life == JobLife::EndPosted || life == JobLife::Preparing ? JobLife::Abandoned : life;
    case JobEvent::End:
        return JobLife::Free;
    }
    return life;
}

bool HoldsSlot(JobLife life)
{
    return life != JobLife::Free && life != JobLife::Abandoned;
}

bool WasStopped(JobLife life)
{
    return life == JobLife::Stopping || life == JobLife::Abandoned;
}

} // namespace ondrevo
