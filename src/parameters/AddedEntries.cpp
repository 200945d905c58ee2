#include "parameters/AddedEntries.h"

#include "base/Controls.h"
#include "parameters/Statements.h"
#include "parameters/WidthRatio.h"

#include <cstring>

namespace ondrevo::added_entries {
namespace {

constexpr int kVideoSizeTag = 3;
constexpr int kAudioCodecTag = 6;
constexpr int kAudioBitrateTag = 7;
constexpr int kAudioChannelsTag = 8;
constexpr int kAudioFrequencyTag = 9;

constexpr const char* kAmrNb = "AMR-NB";
constexpr const char* kAmrWb = "AMR-WB";

std::vector<AddedList> MakeLists()
{
    std::vector<AddedList> lists;
    AddedList shapes { width_ratio::kTag, nullptr, {} };
    for (const width_ratio::ShapeEntry& shape : width_ratio::kShapeEntries)
        shapes.entries.push_back({ shape.name, shape.fragment });
    lists.push_back(shapes);
    // Phone screens, landscape as the encoder writes them; H.263 takes none of them.
    lists.push_back({ kVideoSizeTag, nullptr,
        {
            { "160x120 (QQVGA)", "-s 160x120" },
            { "320x240 (QVGA)", "-s 320x240" },
            { "400x240 (WQVGA)", "-s 400x240" },
            { "480x320 (HVGA)", "-s 480x320" },
            { "640x480 (VGA)", "-s 640x480" },
        } });
    lists.push_back({ kAudioCodecTag, nullptr,
        {
            { kAmrNb, "-c:a libopencore_amrnb" },
            { kAmrWb, "-c:a libvo_amrwbenc" },
        } });
    // The encoders' modes: each "-b:a" value is one of them exactly, so none is rounded
    // to a neighbour. 12.2 and 12.65 kbit/s are the modes phones use most.
    lists.push_back({ kAudioBitrateTag, kAmrNb,
        {
            { "4.75 kbit/s", "-b:a 4.75k" },
            { "5.15 kbit/s", "-b:a 5.15k" },
            { "5.9 kbit/s", "-b:a 5.9k" },
            { "6.7 kbit/s", "-b:a 6.7k" },
            { "7.4 kbit/s", "-b:a 7.4k" },
            { "7.95 kbit/s", "-b:a 7.95k" },
            { "10.2 kbit/s", "-b:a 10.2k" },
            { "12.2 kbit/s", "-b:a 12.2k" },
        },
        7 });
    lists.push_back({ kAudioChannelsTag, kAmrNb, { { "Mono", "-ac 1" } } });
    lists.push_back({ kAudioFrequencyTag, kAmrNb, { { "8000 Hz", "-ar 8000" } } });
    lists.push_back({ kAudioBitrateTag, kAmrWb,
        {
            { "6.6 kbit/s", "-b:a 6.6k" },
            { "8.85 kbit/s", "-b:a 8.85k" },
            { "12.65 kbit/s", "-b:a 12.65k" },
            { "14.25 kbit/s", "-b:a 14.25k" },
            { "15.85 kbit/s", "-b:a 15.85k" },
            { "18.25 kbit/s", "-b:a 18.25k" },
            { "19.85 kbit/s", "-b:a 19.85k" },
            { "23.05 kbit/s", "-b:a 23.05k" },
            { "23.85 kbit/s", "-b:a 23.85k" },
        },
        2 });
    lists.push_back({ kAudioChannelsTag, kAmrWb, { { "Mono", "-ac 1" } } });
    lists.push_back({ kAudioFrequencyTag, kAmrWb, { { "16000 Hz", "-ar 16000" } } });
    return lists;
}

// The added list of the selector, for the audio sub-selectors the one of the codec
// chosen now; nullptr when it has none.
const AddedList* ListOf(const ISelector& selector, const ISelector& audioCodec)
{
    const int tag = selector.Tag();
    std::string codec;
    if (IsAudioSubTag(tag)) {
        const int chosen = audioCodec.ItemIndex();
        if (chosen < 0 || chosen >= audioCodec.ItemCount())
            return nullptr;
        codec = audioCodec.Item(chosen);
    }
    for (const AddedList& list : Lists())
        if (list.tag == tag && (list.audioCodec == nullptr ? codec.empty() : codec == list.audioCodec))
            return &list;
    return nullptr;
}

int PositionOf(const ISelector& selector, const std::string& name)
{
    for (int i = 0, n = selector.ItemCount(); i < n; ++i)
        if (selector.Item(i) == name)
            return i;
    return -1;
}

} // namespace

const std::vector<AddedList>& Lists()
{
    static const std::vector<AddedList> lists = MakeLists();
    return lists;
}

void AppendMissing(ISelector& selector, const ISelector& audioCodec)
{
    const AddedList* list = ListOf(selector, audioCodec);
    if (!list)
        return;
    for (const Entry& entry : list->entries)
        if (PositionOf(selector, entry.name) < 0)
            selector.AppendItem(entry.name);
}

std::optional<std::string> FragmentOf(int tag, const std::string& codecEntry, const std::string& entry)
{
    for (const AddedList& list : Lists()) {
        if (list.tag != tag || (list.audioCodec && codecEntry != list.audioCodec))
            continue;
        for (const Entry& added : list.entries)
            if (entry == added.name)
                return std::string(added.fragment);
    }
    return std::nullopt;
}

std::optional<std::string> Fragment(const ISelector& selector, const ISelector& audioCodec, int position)
{
    if (position < 0 || position >= selector.ItemCount())
        return std::nullopt;
    const AddedList* list = ListOf(selector, audioCodec);
    if (!list)
        return std::nullopt;
    const std::string name = selector.Item(position);
    for (const Entry& entry : list->entries)
        if (name == entry.name)
            return std::string(entry.fragment);
    return std::nullopt;
}

std::optional<int> FirstChoice(const ISelector& selector, const ISelector& audioCodec)
{
    const AddedList* list = ListOf(selector, audioCodec);
    if (!list || list->firstChoice < 0 || list->firstChoice >= static_cast<int>(list->entries.size()))
        return std::nullopt;
    const int position = PositionOf(selector, list->entries[static_cast<std::size_t>(list->firstChoice)].name);
    return position >= 0 ? std::optional<int>(position) : std::nullopt;
}

bool HasAddedSubLists(const std::string& codec)
{
    for (const AddedList& list : Lists())
        if (list.audioCodec != nullptr && codec == list.audioCodec)
            return true;
    return false;
}

} // namespace ondrevo::added_entries
