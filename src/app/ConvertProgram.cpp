#include "app/ConvertProgram.h"

#include "app/CommandLineView.h"
#include "app/ConvertOptions.h"
#include "app/TJvTimer.h"
#include "base/CharacterType.h"
#include "base/Errors.h"
#include "base/PlainEventLoop.h"
#include "base/UsableCores.h"
#include "base/UserFolder.h"
#include "conversion/Batch.h"
#include "conversion/BatchEngine.h"
#include "conversion/CommandLine.h"
#include "media/FileAdder.h"
#include "media/FileList.h"
#include "parameters/ChoiceVocabulary.h"
#include "parameters/ExistingOutputs.h"
#include "parameters/OutputFolder.h"
#include "parameters/Presets.h"
#include "parameters/ReadOnlySettings.h"
#include "parameters/SizeLimit.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace ondrevo {
namespace {

constexpr int kFailed = 1;
constexpr int kSetUpError = 2;
constexpr const char* kProgram = "ondrevo-convert";

int SetUpError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return kSetUpError;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + ("\"" + name + "\"");
    return text;
}

bool SameLabel(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Why the settings cannot apply, with the names that would: the labels for an unknown
// label, a label's entries for an unknown entry.
std::string RefusedSetting(const choices::Setting& setting, const std::string& why, const choices::Values& values,
    const choices::Catalogues& catalogues)
{
    const auto& labels = choices::Labels();
    const auto known = std::find_if(
        labels.begin(), labels.end(), [&](const std::string& label) { return SameLabel(label, setting.label); });
    if (known == labels.end())
        return why + "; the labels are " + Joined(labels);
    const std::vector<std::string> entries = EntriesOf(*known, values, catalogues);
    return why + "; " + *known + " takes " + Joined(entries);
}

// The first signal asks for a stop, the second ends the program at once; a thread of its
// own waits for them and hands them to the loop.
std::atomic<int> signalsSeen { 0 };
std::atomic<int> firstSignal { 0 };
int signalPipe[2] = { -1, -1 };

void OnSignal(int number)
{
    const int seen = ++signalsSeen;
    if (seen == 1)
        firstSignal = number;
    if (seen >= 2)
        std::_Exit(128 + firstSignal.load()); // the encoders end with us (GroupGuard)
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

std::string ShellQuoted(const std::string& argument)
{
    if (!argument.empty()
        && argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                      "_-+=/.,:@%")
            == std::string::npos)
        return argument;
    std::string quoted = "'";
    for (const char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

BatchChoices ChoicesOf(const choices::Values& values, const choices::Catalogues& catalogues, std::string outputFolder)
{
    BatchChoices result;
    const auto entryAt = [](const std::vector<std::string>& list, int position) {
        return position >= 0 && position < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(position)]
                                                                         : std::string();
    };
    for (std::size_t i = 0; i < 6; ++i) {
        const int position = values.positions[i];
        const std::string entry = entryAt(catalogues.lists[i], position);
        result.selectors[i] = { entry.empty() ? -1 : position, entry };
    }
    const int codec = values.positions[5];
    const auto audio = values.audioPositions.find(codec);
    const auto lists = catalogues.audio.find(codec);
    for (std::size_t k = 0; k < 3; ++k) {
        const int position = audio != values.audioPositions.end() ? audio->second[k] : -1;
        const std::string entry = lists != catalogues.audio.end() ? entryAt(lists->second[k], position) : "";
        result.selectors[6 + k] = { entry.empty() ? -1 : position, entry };
    }
    result.videoCodecs = catalogues.lists[0];
    result.outputFolder = std::move(outputFolder);
    result.filesAtOnce = std::max(1, values.filesAtOnce);
    result.existing = values.existing;
    result.keepSourceDate = values.keepSourceDate;
    result.sizeLimit = values.sizeLimit;
    return result;
}

std::vector<std::string> EntriesOf(
    const std::string& label, const choices::Values& values, const choices::Catalogues& catalogues)
{
    const auto& labels = choices::Labels();
    const auto at = std::find(labels.begin(), labels.end(), label);
    if (at == labels.end())
        return {};
    const std::size_t index = static_cast<std::size_t>(at - labels.begin());
    if (index < 6)
        return catalogues.lists[index];
    if (index < 9) {
        const auto lists = catalogues.audio.find(values.positions[5]);
        return lists != catalogues.audio.end() ? lists->second[index - 6] : std::vector<std::string> {};
    }
    if (label == "Largest file size") {
        std::vector<std::string> names = size_limit::EntryNames();
        names.push_back("a size in KB from " + std::to_string(size_limit::kLeastKilobytes));
        return names;
    }
    if (label == "Existing output files") {
        const auto& names = existing_outputs::Names();
        return { names.begin(), names.end() };
    }
    if (label == "Files converted at once")
        return { "1", "2", "...", "a number of files at once" };
    return { choices::kYes, choices::kNo };
}

int RunConvertProgram(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseConvertOptions(arguments);
    const ConvertOptions& o = parsed.options;
    if (o.help) {
        std::fputs(ConvertHelp().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty())
        return SetUpError(parsed.error + " (--help says how to use it)");
    EnsureUtf8CharacterType();

    // The settings: the window's, read once, never written.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(o.settingsFile, ignored))
        return SetUpError(
            "no settings file " + o.settingsFile + " (run it where LibFFmpeg.Dat is, or --settings FILE)");
    std::unique_ptr<ReadOnlySettings> settings;
    choices::Catalogues catalogues;
    choices::Values values;
    std::string storedFolder;
    try {
        settings = std::make_unique<ReadOnlySettings>(o.settingsFile);
        catalogues = choices::ReadCatalogues(settings->Query());
        values = choices::ReadValues(settings->Query(), catalogues);
        storedFolder = output_folder::Read(settings->Query());
    } catch (const EUniError& error) {
        return SetUpError("the settings file " + o.settingsFile + " cannot be read: " + error.what());
    }
    if (o.list) {
        for (const std::string& label : choices::Labels())
            std::printf("%s: %s\n", label.c_str(), Joined(EntriesOf(label, values, catalogues)).c_str());
        std::vector<std::string> names;
        for (const presets::Preset& preset : presets::List(settings->Query()))
            names.push_back(preset.name);
        std::printf("Presets (--preset): %s\n", Joined(names).c_str());
        return 0;
    }
    if (!o.preset.empty()) {
        const std::vector<presets::Preset> list = presets::List(settings->Query());
        const presets::Preset* preset = presets::Find(list, o.preset);
        if (!preset) {
            std::vector<std::string> names;
            for (const presets::Preset& p : list)
                names.push_back(p.name);
            return SetUpError("no preset \"" + o.preset + "\"; the presets are " + Joined(names));
        }
        if (const std::string error = choices::Apply(preset->settings, catalogues, values); !error.empty())
            return SetUpError("the preset \"" + preset->name + "\" does not apply: " + error);
    }
    for (const std::string& set : o.sets) {
        const choices::Parsed one = choices::ParseText(set);
        if (!one.error.empty() || one.settings.size() != 1)
            return SetUpError("--set \"" + set + "\" is no LABEL=ENTRY");
        if (const std::string error = choices::Apply(one.settings, catalogues, values); !error.empty())
            return SetUpError("--set \"" + set + "\": "
                + RefusedSetting(one.settings[0],
                    error.substr(error.rfind("Line ", 0) == 0 ? error.find(' ', 5) + 1 : 0), values, catalogues));
    }
    const std::string folder = o.outputFolder.empty() ? storedFolder : o.outputFolder;
    if (folder.empty() || folder.front() != '/')
        return SetUpError("the output folder \"" + folder + "\" is no full path");
    // Made when missing, with the folders above it, as the window makes its own.
    std::error_code made;
    if (!std::filesystem::exists(folder, ignored) && !std::filesystem::create_directories(folder, made) && made)
        return SetUpError("cannot make the output folder " + folder + ": " + made.message());
    if (!std::filesystem::is_directory(folder, ignored))
        return SetUpError("the output folder " + folder + " is no folder");

    // The files, as a drop on the window's list would add them.
    std::vector<std::string> given;
    for (const std::string& path : o.paths) {
        if (!std::filesystem::exists(path, ignored))
            return SetUpError(path + ": no such file or folder");
        given.push_back(std::filesystem::absolute(path, ignored).string());
    }
    const std::vector<std::string> files = file_list::ExpandDropped(given);
    if (files.empty())
        return SetUpError("no video file among the files and folders given");

    PlainEventLoop loop;
    BatchEngine engine(
        loop, [&settings]() -> TSqliteQuery& { return settings->Query(); },
        [&o] { return SettingsPlace { o.settingsFile }; });
    engine.SetChoices(ChoicesOf(values, catalogues, folder));
    // The encoder program's list of encoders, kept between runs: a scheduler starts this
    // program once a file, and each would ask the encoder program again.
    engine.Encoders().Check().SetCache(EncoderListCache(UserCacheFolder(UserEnvironment::FromProcess())));
    // Checked before anything is converted: an encoder that cannot run, or lacks a codec.
    // The encoder program lists its encoders while the files' headers are read here.
    const bool encoderRuns = ::access(command_line::EncoderPath().c_str(), X_OK) == 0;
    std::string refusal;
    std::thread check;
    if (!o.dryRun && encoderRuns)
        check = std::thread([&refusal, &engine] { refusal = batch::EncoderRefusal(engine); });
    // The files' headers are read side by side, the first alone (it loads the media library).
    std::vector<ListedFacts> listed(files.size());
    listed.front() = ListFacts(files.front());
    std::atomic<std::size_t> next { 1 };
    const auto readHeaders = [&] {
        for (std::size_t n; (n = next++) < files.size();)
            listed[n] = ListFacts(files[n]);
    };
    std::vector<std::thread> readers;
    for (unsigned n = 1; n < std::min(UsableCores(), 4u) && n < files.size(); ++n)
        readers.emplace_back(readHeaders);
    readHeaders();
    for (std::thread& reader : readers)
        reader.join();
    for (std::size_t n = 0; n < files.size(); ++n) {
        engine.Model().Append(files[n], listed[n].facts.milliseconds);
        // A start finds the file as it was read here, and need not read it again.
        engine.RememberListedFacts(files[n], std::move(listed[n]));
    }
    if (check.joinable())
        check.join();

    if (o.dryRun) {
        try {
            for (int row = 0; row < engine.Model().Count(); ++row) {
                std::string line;
                for (const std::string& argument : engine.CommandLineFor(row))
                    line += (line.empty() ? "" : " ") + ShellQuoted(argument);
                std::printf("%s\n", line.c_str());
            }
        } catch (const EUniError& error) {
            return SetUpError(std::string("the settings file cannot be read: ") + error.what());
        }
        return 0;
    }
    if (!encoderRuns)
        return SetUpError("no encoder at " + command_line::EncoderPath());
    if (!refusal.empty())
        return SetUpError(refusal);

    CommandLineView view(engine.Model(), stderr,
        ::isatty(STDERR_FILENO) ? CommandLineView::Lines::Terminal : CommandLineView::Lines::Plain,
        o.json ? stdout : nullptr);
    view.onIdle = [&loop] { loop.Quit(); };
    engine.SetView(&view);

    // SIGINT and SIGTERM stop as Stop does; the loop hears of them through a pipe.
    if (::pipe(signalPipe) != 0)
        return SetUpError("no pipe for the signals");
    struct sigaction action { };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::thread signalReader([&loop, &engine] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) == 1) {
            if (byte == 0)
                return;
            loop.Post([&loop, &engine] {
                engine.Stop();
                if (!engine.Encoders().AnyBusy())
                    loop.Quit();
            });
        }
    });
    // A row a lock on the settings file held back is tried again at each tick.
    TJvTimer retry(loop);
    retry.OnTimer = [&engine] { engine.RetryStalledStart(); };
    retry.SetEnabled(true);

    loop.Post([&] {
        engine.Convert(RunScope::Whole);
        if (!engine.Model().Running() && !engine.Encoders().AnyBusy())
            loop.Quit();
    });
    loop.Run();
    retry.SetEnabled(false);
    const char stop = 0;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &stop, 1);
    signalReader.join();
    engine.SetView(nullptr);
    if (const int number = firstSignal.load())
        return 128 + number;
    return view.FailedRows() > 0 ? kFailed : 0;
}

} // namespace ondrevo
