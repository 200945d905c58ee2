#include "conversion/CommandLine.h"

#include "base/Controls.h"
#include "base/IntegerText.h"
#include "base/ProgramFolder.h"
#include "conversion/BatchControls.h"
#include "conversion/EncoderArguments.h"
#include "media/MediaQuery.h"
#include "parameters/Selectors.h"

#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

namespace ondrevo::command_line {
namespace {

// The encoder reads a relative name with a colon in it ("rtmp:clip.mp4") as a protocol;
// its "file:" prefix keeps such a name a file. Absolute paths never look like one.
std::string AsEncoderPath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    return "file:" + path;
}

// The name the media information library gives the file: its name without folder and
// extension. Empty when the library is not bound or knows no name.
std::string LibraryName(const std::string& path)
{
    std::optional<MediaQuery> query = MediaQuery::StartWithoutLoading(path);
    if (!query)
        return {};
    return query->Get(Stream_General, "FileName");
}

} // namespace

std::string EncoderPath()
{
    return ProgramFolder() + "bin/ffmpeg";
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string UniqueOutputName(const IFileList& list, int row, const std::string& name)
{
    std::unordered_set<std::string> used;
    std::unordered_map<std::string, std::string> nameOfSource;
    // The lowest number worth trying for a name: every lower one is taken, and taken
    // names never come free again, so the search never starts over.
    std::unordered_map<std::string, int> nextNumber;
    const auto assign = [&](const std::string& source, const std::string& wanted) {
        if (const auto known = nameOfSource.find(source); known != nameOfSource.end())
            return known->second;
        std::string given = wanted;
        if (used.count(given)) {
            int& n = nextNumber.try_emplace(wanted, 2).first->second;
            while (used.count(wanted + " (" + std::to_string(n) + ")"))
                ++n;
            given = wanted + " (" + std::to_string(n) + ")";
        }
        used.insert(given);
        nameOfSource.emplace(source, given);
        return given;
    };
    for (int earlier = 0; earlier < row; ++earlier) {
        const std::string source = list.Caption(earlier);
        assign(source, BaseName(source));
    }
    return assign(list.Caption(row), name);
}

std::string OutputFileName(BatchControls& controls, int row)
{
    const std::string source = controls.fileList.Caption(row);
    std::string name = LibraryName(source);
    // Without a name every such source would write the one hidden file ".3gp".
    if (name.empty())
        name = BaseName(source);
    return controls.outputFolder.Text() + "/" + UniqueOutputName(controls.fileList, row, name) + ".3gp";
}

std::vector<std::string> BuildCommandLine(BatchControls& controls)
{
    std::vector<std::string> arguments { EncoderPath() };
    const int row = StrToInt(controls.cursor.Text());
    const std::string source = controls.fileList.Caption(row);
    const std::string output = OutputFileName(controls, row);
    arguments.insert(arguments.end(), { "-y", "-i", AsEncoderPath(source) });
    const auto addFragment = [&](const ISelector* selector) {
        for (std::string& argument :
            EncoderArguments(selectors::Fragment(controls.query, *selector, *controls.audio[0])))
            arguments.push_back(std::move(argument));
    };
    for (const ISelector* selector : controls.video)
        addFragment(selector);
    for (const ISelector* selector : controls.audio)
        addFragment(selector);
    arguments.push_back(AsEncoderPath(output));
    return arguments;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first { };
    struct stat second { };
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace ondrevo::command_line
