// The source file list and the details panel: adding, deleting and clearing rows, and
// showing one file's facts from a media query.

#include "app/Controls.h"
#include "app/TFFmpegFunc.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"

#include <array>

namespace ondrevo {

namespace {

constexpr int kAddedFileImage = 15;
constexpr const char* kStartPercent = "0%";

// The details panel's rows that get a value; 0, 5 and 11 are section headings.
constexpr int kFirstDetailRow = 1;
constexpr int kLastDetailRow = 15;
constexpr bool IsHeadingRow(int row)
{
    return row == 0 || row == 5 || row == 11;
}

using DetailValues = std::array<std::string, kLastDetailRow + 1>;

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

} // namespace

void TFFmpegFunc::AddVideoFile()
{
    const std::optional<std::string> chosen = openDialog1_.Execute();
    if (!chosen)
        return;
    const std::string& path = *chosen;

    std::string fileExtension, sizeText, playingTime;
    {
        std::optional<MediaQuery> query = MediaQuery::Start(path);
        if (!query)
            return;
        fileExtension = query->Get(Stream_General, "FileExtension");
        const std::string fileSize = query->Get(Stream_General, "FileSize/String4");
        const std::string duration = query->Get(Stream_General, "Duration/String3");
        sizeText = QuerySizeText(*query, fileSize);
        playingTime = PlayingTimeText(duration, kAddedPlayingTimeDefault);
    }

    fileListView_.AppendRow(path, kAddedFileImage, { fileExtension, sizeText, playingTime, kStartPercent });
    ShowFileInfo(path);
}

void TFFmpegFunc::ShowFileInfo(const std::string& path)
{
    DetailValues values;
    {
        std::optional<MediaQuery> query = MediaQuery::Start(path);
        if (!query)
            return;
        const std::string fileName = query->Get(Stream_General, "FileName");
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
    }
    FillDetailRows(msgListView_, values);
}

void TFFmpegFunc::ClearFileInfo()
{
    FillDetailRows(msgListView_, DetailValues {});
}

void TFFmpegFunc::ShowSelectedFileInfo()
{
    const int selected = fileListView_.Selected();
    if (selected < 0)
        return;
    ShowFileInfo(fileListView_.Caption(selected));
}

void TFFmpegFunc::DeleteVideoFile()
{
    const int selected = fileListView_.Selected();
    if (selected >= 0)
        fileListView_.DeleteRow(selected);
    if (fileListView_.RowCount() == 0)
        ClearFileInfo();
}

void TFFmpegFunc::ClearVideoFiles()
{
    if (fileListView_.RowCount() == 0)
        return;
    fileListView_.DeleteAllRows();
    ClearFileInfo();
    jvEditNumb_.SetText("-1");
    jvEditCmdMsg_.SetText("");
}

} // namespace ondrevo
