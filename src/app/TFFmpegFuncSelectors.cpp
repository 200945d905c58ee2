// TFFmpegFunc's selector operations; the work is done in parameters/Selectors.

#include "app/TFFmpegFunc.h"

#include "base/Controls.h"
#include "base/Errors.h"
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

bool TFFmpegFunc::SaveSelectorPosition(ISelector& selector)
{
    const auto save = [&] {
        selectors::SavePosition(sqliteQuery_, selector);
        return true;
    };
    const auto showStored = [&] {
        // The audio codec's sub-selectors then list the rows of the codec shown. Each step
        // runs even when the one before could not read the database.
        std::vector<std::function<void()>> steps { [&] {
            selectors::ShowSavedPosition(sqliteQuery_, selector, *jvCmbAdo_[0]);
        } };
        if (&selector == jvCmbAdo_[0])
            for (std::size_t n = 1; n < jvCmbAdo_.size(); ++n)
                steps.push_back([this, n] { FillSelector(*jvCmbAdo_[n]); });
        for (const auto& step : steps) {
            try {
                step();
            } catch (const EUniError&) {
            }
        }
    };
    return StoreChoice(save, showStored);
}

bool TFFmpegFunc::SaveAudioPosition(ISelector& selector)
{
    const auto save = [&] {
        selectors::SaveAudioPosition(sqliteQuery_, selector, *jvCmbAdo_[0]);
        return true;
    };
    return StoreChoice(save, [&] { selectors::ShowSavedPosition(sqliteQuery_, selector, *jvCmbAdo_[0]); });
}

std::string TFFmpegFunc::SelectorFragment(ISelector& selector)
{
    return selectors::Fragment(sqliteQuery_, selector, *jvCmbAdo_[0]);
}

} // namespace ondrevo
