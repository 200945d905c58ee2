#include "media/FileList.h"

#include "base/Controls.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"

#include <array>
#include <filesystem>
#include <sys/stat.h>

namespace ondrevo::file_list {

const char* const kStartPercent = "0%";

namespace {

// The details panel's rows that get a value; 0, 5 and 11 are section headings.
constexpr int kFirstDetailRow = 1;
constexpr int kLastDetailRow = 15;
constexpr bool IsHeadingRow(int row)
{
    return row == 0 || row == 5 || row == 11;
}

using DetailValues = decltype(SourceFacts::details);
static_assert(std::tuple_size_v<DetailValues> == kLastDetailRow + 1);

void FillDetailRows(IDetailsPanel& panel, const DetailValues& values)
{
    for (int row = kFirstDetailRow; row <= kLastDetailRow; ++row) {
        panel.ClearSubItems(row);
        if (!IsHeadingRow(row))
            panel.AppendSubItem(row, values[static_cast<std::size_t>(row)]);
    }
}

// The size text for the file being queried: asks for the byte count only when the
// library's text is not in MiB.
std::string QuerySizeText(MediaQuery& query, const std::string& fileSizeString4)
{
    std::string bytes;
    if (SizeTextNeedsByteCount(fileSizeString4))
        bytes = query.Get(Stream_General, "FileSize");
    return SizeText(fileSizeString4, bytes);
}

// The stream's codec name. This library version answers "Codec/String" with an empty
// text (the parameter is deprecated); the stream's "Format" names the same thing.
std::string QueryCodecText(MediaQuery& query, MediaStreamKind streamKind)
{
    std::string codec = query.Get(streamKind, "Codec/String");
    if (codec.empty())
        codec = query.Get(streamKind, "Format");
    return codec;
}

// Appends the row of one file and shows its facts; false when the media information
// library cannot be loaded (nothing is added then). What is no regular file is passed over.
bool AddFile(const std::string& path, IFileList& list, IDetailsPanel& panel)
{
    if (!NotAFileKind(path).empty())
        return true;
    std::string fileExtension, sizeText, playingTime;
    {
        std::optional<MediaQuery> query = MediaQuery::Start(path);
        if (!query)
            return false;
        fileExtension = query->Get(Stream_General, "FileExtension");
        const std::string fileSize = query->Get(Stream_General, "FileSize/String4");
        const std::string duration = query->Get(Stream_General, "Duration/String3");
        sizeText = QuerySizeText(*query, fileSize);
        playingTime = PlayingTimeText(duration, kAddedPlayingTimeDefault);
    }

    list.AppendRow(path, kAddedFileImage, { fileExtension, sizeText, playingTime, kStartPercent });
    ShowFileInfo(panel, path);
    return true;
}

} // namespace

std::string NotAFileKind(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode))
        return "";
    if (S_ISDIR(status.st_mode))
        return "a folder";
    if (S_ISFIFO(status.st_mode))
        return "a named pipe";
    if (S_ISSOCK(status.st_mode))
        return "a socket";
    return "a device";
}

bool AddChosenFile(const std::string& path, IFileList& list, IDetailsPanel& panel)
{
    return AddFile(path, list, panel);
}

void AddVideoFile(IOpenDialog& dialog, IFileList& list, IDetailsPanel& panel)
{
    const std::optional<std::string> chosen = dialog.Execute();
    if (chosen)
        AddFile(*chosen, list, panel);
}

void AddVideoFiles(const std::vector<std::string>& paths, IFileList& list, IDetailsPanel& panel)
{
    for (const std::string& path : paths) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        if (!AddFile(path, list, panel))
            return;
    }
}

void ShowFileInfo(IDetailsPanel& panel, const std::string& path)
{
    long long milliseconds = 0;
    ShowFileInfo(panel, path, milliseconds);
}

SourceFacts ReadFacts(const std::string& path)
{
    SourceFacts facts;
    DetailValues& values = facts.details;
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    if (!query)
        return facts;
    facts.known = true;
    const std::string fileName = query->Get(Stream_General, "FileName");
    facts.milliseconds = MillisecondsText(query->Get(Stream_General, "Duration"));
    const std::string fileExtension = query->Get(Stream_General, "FileExtension");
    values[2] = query->Get(Stream_General, "FileExtension");
    const std::string fileSize = query->Get(Stream_General, "FileSize/String4");
    values[3] = QuerySizeText(*query, fileSize);
    values[4] = PlayingTimeText(query->Get(Stream_General, "Duration/String3"), kDetailsPlayingTimeDefault);
    values[1] = fileName + "." + fileExtension;

    values[6] = QueryCodecText(*query, Stream_Video);
    values[7] = query->Get(Stream_Video, "BitRate/String");
    const std::string width = query->Get(Stream_Video, "Width");
    const std::string height = query->Get(Stream_Video, "Height");
    values[8] = width + "x" + height;
    values[9] = query->Get(Stream_Video, "FrameRate/String");
    values[10] = query->Get(Stream_Video, "DisplayAspectRatio/String");

    values[12] = QueryCodecText(*query, Stream_Audio);
    values[13] = query->Get(Stream_Audio, "BitRate/String");
    values[14] = query->Get(Stream_Audio, "Channel(s)/String");
    values[15] = query->Get(Stream_Audio, "SamplingRate/String");
    return facts;
}

void ShowFacts(IDetailsPanel& panel, const SourceFacts& facts)
{
    if (facts.known)
        FillDetailRows(panel, facts.details);
}

bool ShowFileInfo(IDetailsPanel& panel, const std::string& path, long long& milliseconds)
{
    const SourceFacts facts = ReadFacts(path);
    if (!facts.known)
        return false;
    milliseconds = facts.milliseconds;
    ShowFacts(panel, facts);
    return true;
}

void ClearFileInfo(IDetailsPanel& panel)
{
    FillDetailRows(panel, DetailValues {});
}

void ShowSelectedFileInfo(const IFileList& list, IDetailsPanel& panel)
{
    const int selected = list.Selected();
    if (selected < 0)
        return;
    ShowFileInfo(panel, list.Caption(selected));
}

void DeleteVideoFile(IFileList& list, IDetailsPanel& panel)
{
    // From the bottom up, so that the rows still to delete keep their positions.
    const std::vector<int> selected = list.SelectedRows();
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        list.DeleteRow(*row);
    if (list.RowCount() == 0)
        ClearFileInfo(panel);
}

void ClearVideoFiles(IFileList& list, IDetailsPanel& panel, IEdit& cursor, IEdit& statusLine)
{
    if (list.RowCount() == 0)
        return;
    list.DeleteAllRows();
    ClearFileInfo(panel);
    cursor.SetText("-1");
    statusLine.SetText("");
}

} // namespace ondrevo::file_list
