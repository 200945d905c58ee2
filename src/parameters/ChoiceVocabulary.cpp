#include "parameters/ChoiceVocabulary.h"

#include "base/Errors.h"
#include "parameters/AddedEntries.h"
#include "parameters/FilesAtOnce.h"
#include "parameters/KeepSourceDate.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>

namespace ondrevo::choices {
namespace {

constexpr const char* kLargestFileSize = "Largest file size";
constexpr const char* kCutToFit = "Cut to fit";
constexpr const char* kExisting = "Existing output files";
constexpr const char* kFilesAtOnce = "Files converted at once";
constexpr const char* kKeepDate = "Keep the source's date";
constexpr int kMostFilesAtOnce = 1024;

// The selectors' labels by tag - 1.
const std::array<std::string, 9> kSelectorLabels { "Video Codec", "Video Bitrate", "Video Size", "Video Frame Rate",
    "Width Ratio", "Audio Codec", "Audio Bitrate", "Audio Channel", "Sampling Frequency" };
constexpr int kAudioCodecTag = 6;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Same(const std::string& a, const std::string& b)
{
    return Lower(a) == Lower(b);
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The selector tag of `label`, or 0.
int TagOf(const std::string& label)
{
    for (std::size_t n = 0; n < kSelectorLabels.size(); ++n)
        if (Same(label, kSelectorLabels[n]))
            return static_cast<int>(n) + 1;
    return 0;
}

int PositionIn(const std::vector<std::string>& entries, const std::string& name)
{
    for (std::size_t n = 0; n < entries.size(); ++n)
        if (Same(entries[n], name))
            return static_cast<int>(n);
    return -1;
}

std::string NameAt(const std::vector<std::string>& entries, int position)
{
    return position >= 0 && position < static_cast<int>(entries.size()) ? entries[static_cast<std::size_t>(position)]
                                                                        : std::string();
}

const std::vector<std::string>& EntriesOf(const Catalogues& catalogues, int tag, int audioCodec)
{
    static const std::vector<std::string> none;
    if (tag <= kAudioCodecTag)
        return catalogues.lists[static_cast<std::size_t>(tag - 1)];
    const auto codec = catalogues.audio.find(audioCodec);
    return codec == catalogues.audio.end() ? none : codec->second[static_cast<std::size_t>(tag - 7)];
}

std::array<int, 3> AudioPositionsOf(const Values& values, int codec)
{
    const auto found = values.audioPositions.find(codec);
    return found == values.audioPositions.end() ? std::array<int, 3> { 0, 0, 0 } : found->second;
}

std::optional<bool> YesNo(const std::string& entry)
{
    if (Same(entry, kYes))
        return true;
    if (Same(entry, kNo))
        return false;
    return std::nullopt;
}

std::optional<int> Count(const std::string& entry)
{
    if (entry.empty() || entry.size() > 4 || entry.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int count = std::stoi(entry);
    if (count < 1 || count > kMostFilesAtOnce)
        return std::nullopt;
    return count;
}

std::string LinePrefix(const Setting& setting)
{
    return setting.line > 0 ? "Line " + std::to_string(setting.line) + ": " : std::string();
}

// Applies one setting, or says what is wrong with it.
std::string ApplyOne(const Setting& setting, const Catalogues& catalogues, Values& values)
{
    const std::string wrongEntry = LinePrefix(setting) + setting.label + " has no entry \"" + setting.entry + "\"";
    if (const int tag = TagOf(setting.label)) {
        const int codec = values.positions[kAudioCodecTag - 1];
        const int position = PositionIn(EntriesOf(catalogues, tag, codec), setting.entry);
        if (position < 0)
            return wrongEntry;
        if (tag <= kAudioCodecTag)
            values.positions[static_cast<std::size_t>(tag - 1)] = position;
        else {
            std::array<int, 3> audio = AudioPositionsOf(values, codec);
            audio[static_cast<std::size_t>(tag - 7)] = position;
            values.audioPositions[codec] = audio;
        }
        return {};
    }
    if (Same(setting.label, kLargestFileSize)) {
        const auto kilobytes = size_limit::ParseKilobytes(setting.entry);
        if (!kilobytes)
            return wrongEntry;
        values.sizeLimit.kilobytes = *kilobytes;
        return {};
    }
    if (Same(setting.label, kCutToFit) || Same(setting.label, kKeepDate)) {
        const auto on = YesNo(setting.entry);
        if (!on)
            return wrongEntry + " (Yes or No)";
        (Same(setting.label, kCutToFit) ? values.sizeLimit.cutToFit : values.keepSourceDate) = *on;
        return {};
    }
    if (Same(setting.label, kExisting)) {
        const auto& names = existing_outputs::Names();
        const int position = PositionIn({ names.begin(), names.end() }, setting.entry);
        if (position < 0)
            return wrongEntry;
        values.existing = existing_outputs::AtIndex(position);
        return {};
    }
    if (Same(setting.label, kFilesAtOnce)) {
        const auto count = Count(setting.entry);
        if (!count)
            return wrongEntry + " (a number from 1 to " + std::to_string(kMostFilesAtOnce) + ")";
        values.filesAtOnce = *count;
        return {};
    }
    return LinePrefix(setting) + "\"" + setting.label + "\" is no choice's label";
}

void ReadList(TSqliteQuery& query, int tag, std::vector<std::string>& into)
{
    RunStatement(query, CatalogueListStatement(tag, 0));
    query.First();
    for (int row = 0, rows = query.RecordCount(); row < rows; ++row, query.Next())
        into.push_back(query.FieldAsString(1));
}

int StoredPosition(long long value)
{
    return value < INT_MIN || value > INT_MAX ? -1 : static_cast<int>(value);
}

} // namespace

const std::vector<std::string>& Labels()
{
    static const std::vector<std::string> labels = [] {
        std::vector<std::string> all(kSelectorLabels.begin(), kSelectorLabels.end());
        all.insert(all.end(), { kLargestFileSize, kCutToFit, kExisting, kFilesAtOnce, kKeepDate });
        return all;
    }();
    return labels;
}

const std::vector<std::string>& PresetLabels()
{
    static const std::vector<std::string> labels(Labels().begin(), Labels().begin() + 11);
    return labels;
}

Catalogues ReadCatalogues(TSqliteQuery& query)
{
    Catalogues catalogues;
    for (int tag = 1; tag <= kAudioCodecTag; ++tag)
        ReadList(query, tag, catalogues.lists[static_cast<std::size_t>(tag - 1)]);
    for (int tag = 7; tag <= 9; ++tag) {
        RunStatement(query,
            std::string("select cmbex_type, cmbex_name from ") + CatalogueTable(tag)
                + " order by cmbex_type, cmbex_index");
        query.First();
        for (int row = 0, rows = query.RecordCount(); row < rows; ++row, query.Next())
            catalogues.audio[static_cast<int>(query.FieldAsInteger(0))][static_cast<std::size_t>(tag - 7)].push_back(
                query.FieldAsString(1));
    }
    // The entries an older catalogue lacks follow its own, as the selectors list them.
    const std::vector<std::string>& codecs = catalogues.lists[kAudioCodecTag - 1];
    for (const added_entries::AddedList& added : added_entries::Lists()) {
        const int codec = added.audioCodec ? PositionIn(codecs, added.audioCodec) : -1;
        if (added.audioCodec && codec < 0)
            continue;
        std::vector<std::string>& list = added.audioCodec
            ? catalogues.audio[codec][static_cast<std::size_t>(added.tag - 7)]
            : catalogues.lists[static_cast<std::size_t>(added.tag - 1)];
        for (const added_entries::Entry& entry : added.entries)
            if (PositionIn(list, entry.name) < 0)
                list.emplace_back(entry.name);
        if (added.audioCodec && added.firstChoice >= 0 && added.firstChoice < static_cast<int>(added.entries.size())) {
            std::array<int, 3>& first = catalogues.firstAudio[codec];
            first[static_cast<std::size_t>(added.tag - 7)]
                = PositionIn(list, added.entries[static_cast<std::size_t>(added.firstChoice)].name);
        }
    }
    return catalogues;
}

Values ReadValues(TSqliteQuery& query, const Catalogues& catalogues)
{
    Values values;
    // A codec with nothing saved for its sound starts at its first choices.
    values.audioPositions = catalogues.firstAudio;
    RunStatement(query, "select cmbex_tag, cmbex_index from cmbex_itemindex");
    query.First();
    for (int row = 0, rows = query.RecordCount(); row < rows; ++row, query.Next()) {
        const long long tag = query.FieldAsInteger(0);
        if (tag >= 1 && tag <= kAudioCodecTag)
            values.positions[static_cast<std::size_t>(tag - 1)] = StoredPosition(query.FieldAsInteger(1));
    }
    RunStatement(query, "select cmbex_tag, cmbex_type, cmbex_index from cmbex_adoindex");
    query.First();
    for (int row = 0, rows = query.RecordCount(); row < rows; ++row, query.Next()) {
        const long long tag = query.FieldAsInteger(0);
        if (tag < 7 || tag > 9)
            continue;
        const int codec = StoredPosition(query.FieldAsInteger(1));
        std::array<int, 3> audio = AudioPositionsOf(values, codec);
        audio[static_cast<std::size_t>(tag - 7)] = StoredPosition(query.FieldAsInteger(2));
        values.audioPositions[codec] = audio;
    }
    values.sizeLimit = size_limit::Read(query);
    values.existing = existing_outputs::Read(query);
    values.filesAtOnce = files_at_once::Read(query);
    values.keepSourceDate = keep_source_date::Read(query);
    return values;
}

void StoreValues(TSqliteQuery& query, const Values& before, const Values& after)
{
    if (before == after)
        return;
    RunStatement(query, "begin immediate");
    try {
        for (int tag = 1; tag <= kAudioCodecTag; ++tag) {
            const auto n = static_cast<std::size_t>(tag - 1);
            if (before.positions[n] != after.positions[n])
                // A row an older database lacks is made, as a position the selector saves.
                RunStatement(query,
                    "insert or replace into cmbex_itemindex (cmbex_tag, cmbex_index) values (" + SqlNumber(tag) + ", "
                        + SqlNumber(after.positions[n]) + ")");
        }
        for (const auto& [codec, audio] : after.audioPositions) {
            const std::array<int, 3> old = AudioPositionsOf(before, codec);
            for (int tag = 7; tag <= 9; ++tag) {
                const auto n = static_cast<std::size_t>(tag - 7);
                if (before.audioPositions.count(codec) == 0 || old[n] != audio[n])
                    RunStatement(query,
                        "insert or replace into cmbex_adoindex (cmbex_tag, cmbex_type, cmbex_index) values ("
                            + SqlNumber(tag) + ", " + SqlNumber(codec) + ", " + SqlNumber(audio[n]) + ")");
            }
        }
        if (before.sizeLimit != after.sizeLimit)
            size_limit::Save(query, after.sizeLimit);
        if (before.existing != after.existing)
            existing_outputs::Save(query, after.existing);
        if (before.filesAtOnce != after.filesAtOnce)
            files_at_once::Save(query, after.filesAtOnce);
        if (before.keepSourceDate != after.keepSourceDate)
            keep_source_date::Save(query, after.keepSourceDate);
        RunStatement(query, "commit");
    } catch (const EUniError&) {
        try {
            RunStatement(query, "rollback");
        } catch (const EUniError&) {
            // The transaction is already gone.
        }
        throw;
    }
}

Parsed ParseText(const std::string& text)
{
    Parsed parsed;
    std::size_t start = 0;
    for (int line = 1; start <= text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string content = text.substr(start, end - start);
        start = end + 1;
        if (!content.empty() && content.back() == '\r')
            content.pop_back();
        content = Trimmed(content);
        if (content.empty() || content.front() == '#')
            continue;
        const std::size_t equals = content.find('=');
        if (equals == std::string::npos) {
            parsed.error = "Line " + std::to_string(line) + ": \"" + content + "\" is no Label=Entry line";
            return parsed;
        }
        Setting setting { Trimmed(content.substr(0, equals)), Trimmed(content.substr(equals + 1)), line };
        for (const Setting& earlier : parsed.settings)
            if (Same(earlier.label, setting.label)) {
                parsed.error = "Line " + std::to_string(line) + ": " + setting.label + " is named twice (first on line "
                    + std::to_string(earlier.line) + ")";
                return parsed;
            }
        parsed.settings.push_back(std::move(setting));
    }
    return parsed;
}

std::string FormatText(const Settings& settings)
{
    std::string text;
    for (const Setting& setting : settings)
        text += setting.label + "=" + setting.entry + "\n";
    return text;
}

std::string EntryOf(const std::string& label, const Values& values, const Catalogues& catalogues)
{
    if (const int tag = TagOf(label)) {
        const int codec = values.positions[kAudioCodecTag - 1];
        const int position = tag <= kAudioCodecTag ? values.positions[static_cast<std::size_t>(tag - 1)]
                                                   : AudioPositionsOf(values, codec)[static_cast<std::size_t>(tag - 7)];
        return NameAt(EntriesOf(catalogues, tag, codec), position);
    }
    if (Same(label, kLargestFileSize)) {
        const int entry = size_limit::EntryOf(values.sizeLimit.kilobytes);
        return entry >= 0 ? size_limit::EntryNames()[static_cast<std::size_t>(entry)]
                          : size_limit::TypedName(values.sizeLimit.kilobytes);
    }
    if (Same(label, kCutToFit))
        return values.sizeLimit.cutToFit ? kYes : kNo;
    if (Same(label, kKeepDate))
        return values.keepSourceDate ? kYes : kNo;
    if (Same(label, kExisting))
        return existing_outputs::Names()[static_cast<std::size_t>(existing_outputs::IndexOf(values.existing))];
    if (Same(label, kFilesAtOnce))
        return std::to_string(values.filesAtOnce);
    return {};
}

Settings Describe(const std::vector<std::string>& labels, const Values& values, const Catalogues& catalogues)
{
    Settings settings;
    for (const std::string& label : labels) {
        std::string entry = EntryOf(label, values, catalogues);
        if (!entry.empty())
            settings.push_back(Setting { label, std::move(entry) });
    }
    return settings;
}

std::string Apply(const Settings& settings, const Catalogues& catalogues, Values& values)
{
    Values changed = values;
    // The Audio Codec first: the sound's other lists are its own.
    std::vector<const Setting*> ordered;
    for (const Setting& setting : settings)
        if (TagOf(setting.label) == kAudioCodecTag)
            ordered.push_back(&setting);
    for (const Setting& setting : settings)
        if (TagOf(setting.label) != kAudioCodecTag)
            ordered.push_back(&setting);
    for (const Setting* setting : ordered)
        if (std::string error = ApplyOne(*setting, catalogues, changed); !error.empty())
            return error;
    values = changed;
    return {};
}

} // namespace ondrevo::choices
