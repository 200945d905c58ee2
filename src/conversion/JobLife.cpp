#include "conversion/JobLife.h"

namespace ondrevo {

JobLife NextLife(JobLife life, JobEvent event)
{
    switch (event) {
    case JobEvent::Start:
        return life == JobLife::Free || life == JobLife::Abandoned ? JobLife::Running : life;
    case JobEvent::Refuse:
    case JobEvent::Skip:
        return life == JobLife::Free || life == JobLife::Abandoned ? JobLife::EndPosted : life;
    case JobEvent::Pause:
        return life == JobLife::Running ? JobLife::Paused : life;
    case JobEvent::Resume:
        return life == JobLife::Paused ? JobLife::Running : life;
    case JobEvent::Stop:
        if (life == JobLife::Running || life == JobLife::Paused)
            return JobLife::Stopping;
        return life == JobLife::EndPosted ? JobLife::Abandoned : life;
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
