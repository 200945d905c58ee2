// TFFmpegFunc's selector operations; the work is done in parameters/Selectors.

#include "app/TFFmpegFunc.h"

#include "base/Controls.h"
#include "parameters/Selectors.h"

namespace ondrevo {

void TFFmpegFunc::FillSelector(ISelector& selector)
{
    selectors::Fill(sqliteQuery_, selector, *jvCmbAdo_[0]);
}

void TFFmpegFunc::FillAllSelectors()
{
    for (ISelector* selector : jvCmbVdo_)
        FillSelector(*selector);
    for (ISelector* selector : jvCmbAdo_)
        FillSelector(*selector);
}

void TFFmpegFunc::RefillAudioSelectors()
{
    for (std::size_t n = 1; n < jvCmbAdo_.size(); ++n)
        FillSelector(*jvCmbAdo_[n]);
}

int TFFmpegFunc::ReadSavedPosition(int tag)
{
    return selectors::ReadSavedPosition(sqliteQuery_, tag);
}

int TFFmpegFunc::ReadSavedAudioPosition(int tag)
{
    return selectors::ReadSavedAudioPosition(sqliteQuery_, tag, *jvCmbAdo_[0]);
}

void TFFmpegFunc::SaveSelectorPosition(ISelector& selector)
{
    selectors::SavePosition(sqliteQuery_, selector);
}

void TFFmpegFunc::SaveAudioPosition(ISelector& selector)
{
    selectors::SaveAudioPosition(sqliteQuery_, selector, *jvCmbAdo_[0]);
}

std::string TFFmpegFunc::SelectorFragment(ISelector& selector)
{
    return selectors::Fragment(sqliteQuery_, selector, *jvCmbAdo_[0]);
}

} // namespace ondrevo
