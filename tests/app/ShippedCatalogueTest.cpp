// The database that ships with the program: its rows keep the rules the program relies
// on, and every choice it offers makes the encoder write a playable 3GP file.

#include "support/MemoryControls.h"

#include "conversion/EncoderArguments.h"
#include "parameters/WidthRatio.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/TempDir.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sqlite3.h>
#include <sstream>
#include <thread>

namespace ondrevo::testing {
namespace {

const std::string kShipped = ONDREVO_SHIPPED_DB;
const char* const kCatalogues[]
    = { "cmbex_vdocodec", "cmbex_vdobitrate", "cmbex_vdosize", "cmbex_vdofps", "cmbex_vdoaspect", "cmbex_adocodec" };
const char* const kAudioCatalogues[] = { "cmbex_adobitrate", "cmbex_adochannels", "cmbex_adofreq" };

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Column(const std::string& sql)
{
    return QueryRows(kShipped, sql);
}

std::string Sequence(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? "," : "") + std::to_string(i);
    return s;
}

std::string Joined(const std::vector<std::string>& rows)
{
    std::string s;
    for (std::size_t i = 0; i < rows.size(); ++i)
        s += (i ? "," : "") + rows[i];
    return s;
}

// Names shown in one list and their fragments: shown, distinct for completion, and
// fragments without stray blanks.
void ExpectGoodEntries(const std::string& where, const std::string& table)
{
    std::set<std::string> seen;
    for (const std::string& row :
        Column("select cmbex_name || char(1) || cmbex_cmd || char(1) || typeof(cmbex_cmd) from " + table + where)) {
        const std::string name = row.substr(0, row.find('\1'));
        const std::string rest = row.substr(row.find('\1') + 1);
        const std::string fragment = rest.substr(0, rest.find('\1'));
        EXPECT_EQ(rest.substr(rest.find('\1') + 1), "text") << table << " " << name;
        EXPECT_FALSE(name.empty()) << table;
        EXPECT_TRUE(seen.insert(Lower(name)).second) << table << ": two entries named " << name;
        EXPECT_EQ(fragment.find("  "), std::string::npos) << table << " " << name;
        EXPECT_TRUE(fragment.empty() || (fragment.front() != ' ' && fragment.back() != ' ')) << table << " " << name;
    }
}

TEST(ShippedDatabase, RowsKeepTheRulesTheProgramReliesOn)
{
    // Declared column types: numbers INTEGER, texts TEXT.
    auto types = [](const std::string& table) {
        return Joined(Column("select name || ':' || type from pragma_table_info('" + table + "') order by cid"));
    };
    for (const char* table : kCatalogues)
        EXPECT_EQ(types(table), "cmbex_index:INTEGER,cmbex_name:TEXT,cmbex_cmd:TEXT") << table;
    for (const char* table : kAudioCatalogues)
        EXPECT_EQ(types(table), "cmbex_type:INTEGER,cmbex_index:INTEGER,cmbex_name:TEXT,cmbex_cmd:TEXT") << table;
    EXPECT_EQ(types("cmbex_itemindex"), "cmbex_tag:INTEGER,cmbex_index:INTEGER");
    EXPECT_EQ(types("cmbex_adoindex"), "cmbex_tag:INTEGER,cmbex_type:INTEGER,cmbex_index:INTEGER");
    EXPECT_EQ(types("savedir_videofile"), "dir_numb:TEXT,dir_name:TEXT");

    // Positions 0..n-1 in each list; saved positions inside the list.
    std::vector<int> counts;
    for (int tag = 1; tag <= 6; ++tag) {
        const std::string table = kCatalogues[tag - 1];
        const int n = std::stoi(QueryValue(kShipped, "select count(*) from " + table));
        counts.push_back(n);
        EXPECT_GT(n, 0) << table;
        EXPECT_EQ(Joined(Column("select cmbex_index from " + table + " order by cmbex_index")), Sequence(n)) << table;
        ExpectGoodEntries("", table);
        const auto saved = Column("select cmbex_index from cmbex_itemindex where cmbex_tag = " + std::to_string(tag));
        ASSERT_EQ(saved.size(), 1u) << tag;
        EXPECT_GE(std::stoi(saved[0]), 0) << tag;
        EXPECT_LT(std::stoi(saved[0]), n) << tag;
    }
    EXPECT_EQ(QueryValue(kShipped, "select count(*) from cmbex_itemindex"), "6");

    // The audio sub-catalogues, per audio codec position; every codec offers a choice in each.
    const int codecs = counts[5];
    for (int tag = 7; tag <= 9; ++tag) {
        const std::string table = kAudioCatalogues[tag - 7];
        EXPECT_EQ(
            QueryValue(kShipped,
                "select count(*) from " + table + " where cmbex_type not between 0 and " + std::to_string(codecs - 1)),
            "0")
            << table;
        for (int a = 0; a < codecs; ++a) {
            const std::string where = " where cmbex_type = " + std::to_string(a);
            const int n = std::stoi(QueryValue(kShipped, "select count(*) from " + table + where));
            EXPECT_GT(n, 0) << table << " codec " << a;
            EXPECT_EQ(Joined(Column("select cmbex_index from " + table + where + " order by cmbex_index")), Sequence(n))
                << table;
            ExpectGoodEntries(where, table);
            const auto saved = Column("select cmbex_index from cmbex_adoindex where cmbex_tag = " + std::to_string(tag)
                + " and cmbex_type = " + std::to_string(a));
            ASSERT_EQ(saved.size(), 1u) << tag << " " << a;
            EXPECT_GE(std::stoi(saved[0]), 0);
            EXPECT_LT(std::stoi(saved[0]), n);
        }
    }
    EXPECT_EQ(QueryValue(kShipped, "select count(*) from cmbex_adoindex"), std::to_string(3 * codecs));

    // An empty audio codec fragment would make the 3gp muxer pick a codec of its own.
    EXPECT_EQ(QueryValue(kShipped, "select count(*) from cmbex_adocodec where cmbex_cmd = ''"), "0");
    EXPECT_EQ(Column("select dir_numb || '|' || dir_name from savedir_videofile"), std::vector<std::string> { "001|" });
}

// ---- Converting with every pair of choices -------------------------------------------

// A full choice: positions of the nine selectors. The sub-positions 6..8 belong to the
// audio codec at position 5.
using Choice = std::array<int, 9>;

struct CatalogueShape {
    std::array<int, 6> counts {};
    std::vector<std::array<int, 3>> subCounts; // per audio codec
};

// The value of selector f in a choice, made unique across audio codecs for 6..8.
int ValueKey(const Choice& c, int f)
{
    return f < 6 ? c[static_cast<std::size_t>(f)] : c[5] * 1000 + c[static_cast<std::size_t>(f)];
}

using Pair = std::tuple<int, int, int, int>; // selector f, value, selector g, value

// H.263 (the first video codec) takes only the first five sizes: the program refuses the
// phone sizes after them with it before converting, so no choice holds that pair.
bool Refused(int f, int value, int g, int other)
{
    if (f > g)
        return Refused(g, other, f, value);
    return f == 0 && g == 2 && value == 0 && other >= 5;
}

bool Refused(const Choice& c)
{
    return Refused(0, c[0], 2, c[2]);
}

std::set<Pair> PairsOf(const Choice& c)
{
    std::set<Pair> pairs;
    for (int f = 0; f < 9; ++f)
        for (int g = f + 1; g < 9; ++g)
            pairs.emplace(f, ValueKey(c, f), g, ValueKey(c, g));
    return pairs;
}

// Every pair of values that some full choice holds.
std::set<Pair> AllPairs(const CatalogueShape& shape)
{
    std::set<Pair> all;
    std::vector<std::vector<int>> values(9);
    for (int f = 0; f < 6; ++f)
        for (int v = 0; v < shape.counts[static_cast<std::size_t>(f)]; ++v)
            values[static_cast<std::size_t>(f)].push_back(v);
    for (int a = 0; a < shape.counts[5]; ++a)
        for (int f = 6; f < 9; ++f)
            for (int v = 0; v < shape.subCounts[static_cast<std::size_t>(a)][static_cast<std::size_t>(f - 6)]; ++v)
                values[static_cast<std::size_t>(f)].push_back(a * 1000 + v);
    auto codecOf = [](int f, int key) { return f == 5 ? key : f > 5 ? key / 1000 : -1; };
    for (int f = 0; f < 9; ++f)
        for (int g = f + 1; g < 9; ++g)
            for (int vf : values[static_cast<std::size_t>(f)])
                for (int vg : values[static_cast<std::size_t>(g)]) {
                    const int cf = codecOf(f, vf), cg = codecOf(g, vg);
                    if ((cf < 0 || cg < 0 || cf == cg) && !Refused(f, vf, g, vg))
                        all.emplace(f, vf, g, vg);
                }
    return all;
}

// Greedy all-pairs cover: each new choice starts from a pair not yet covered and takes,
// selector by selector, the value that covers most uncovered pairs.
std::vector<Choice> AllPairsCover(const CatalogueShape& shape)
{
    std::set<Pair> uncovered = AllPairs(shape);
    std::vector<Choice> choices;
    while (!uncovered.empty()) {
        const auto [f0, v0, g0, w0] = *uncovered.begin();
        Choice c;
        c.fill(-1);
        std::array<bool, 9> fixed {};
        auto set = [&](int f, int key) {
            if (f >= 6) {
                c[5] = key / 1000;
                fixed[5] = true;
                key %= 1000;
            }
            c[static_cast<std::size_t>(f)] = key;
            fixed[static_cast<std::size_t>(f)] = true;
        };
        set(f0, v0);
        set(g0, w0);
        for (int f : { 5, 0, 1, 2, 3, 4, 6, 7, 8 }) {
            if (fixed[static_cast<std::size_t>(f)])
                continue;
            const int n = f < 6 ? shape.counts[static_cast<std::size_t>(f)]
                                : shape.subCounts[static_cast<std::size_t>(c[5])][static_cast<std::size_t>(f - 6)];
            int best = 0, bestGain = -1;
            for (int v = 0; v < n; ++v) {
                c[static_cast<std::size_t>(f)] = v;
                if (((f == 0 && fixed[2]) || (f == 2 && fixed[0])) && Refused(c))
                    continue;
                int gain = 0;
                for (int g = 0; g < 9; ++g) {
                    if (g == f || !fixed[static_cast<std::size_t>(g)])
                        continue;
                    const int a = std::min(f, g), b = std::max(f, g);
                    gain += static_cast<int>(uncovered.count(Pair { a, ValueKey(c, a), b, ValueKey(c, b) }));
                }
                if (gain > bestGain) {
                    best = v;
                    bestGain = gain;
                }
            }
            c[static_cast<std::size_t>(f)] = best;
            fixed[static_cast<std::size_t>(f)] = true;
        }
        for (const Pair& p : PairsOf(c))
            uncovered.erase(p);
        choices.push_back(c);
    }
    return choices;
}

struct Conversion {
    std::string name;
    std::vector<std::string> fragments;
    std::vector<std::string> arguments;
    std::string output;
    int exitStatus = -1;
    std::string log;
    std::string problems;
};

// What the fragments ask for, checked against what ffprobe finds in the file.
std::string CheckOutput(const Conversion& run, const std::string& logPath)
{
    std::map<std::string, std::string> option;
    for (std::size_t i = 0; i + 1 < run.arguments.size(); ++i)
        if (run.arguments[i].front() == '-')
            option[run.arguments[i]] = run.arguments[i + 1];
    const bool wantAudio = std::find(run.arguments.begin(), run.arguments.end(), "-an") == run.arguments.end();
    const std::map<std::string, std::string> videoNames
        = { { "h263", "h263" }, { "mpeg4", "mpeg4" }, { "libx264", "h264" } };

    std::ostringstream problems;
    std::error_code ec;
    if (std::filesystem::file_size(run.output, ec) == 0 || ec)
        return "no output file";
    const MediaProbe probe = Probe(run.output);
    const std::string brand = probe.format.count("tag:major_brand") ? probe.format.at("tag:major_brand") : "";
    if (brand.rfind("3gp", 0) != 0)
        problems << "brand '" << brand << "'; ";
    const ProbeFields* video = nullptr;
    const ProbeFields* audio = nullptr;
    for (const auto& s : probe.streams)
        (s.at("codec_type") == "video" ? video : audio) = &s;
    if (!video)
        return problems.str() + "no video stream";
    if (video->at("codec_name") != videoNames.at(option["-c:v"]))
        problems << "video " << video->at("codec_name") << "; ";
    const std::string size = video->at("width") + "x" + video->at("height");
    if (size != option["-s"])
        problems << "size " << size << "; ";
    std::string rate = option["-r"];
    if (rate.find('/') == std::string::npos)
        rate += "/1";
    if (video->at("r_frame_rate") != rate)
        problems << "rate " << video->at("r_frame_rate") << "; ";
    if (wantAudio != (audio != nullptr))
        problems << (audio ? "unexpected audio; " : "no audio; ");
    if (audio && wantAudio) {
        const std::map<std::string, std::string> audioNames
            = { { "aac", "aac" }, { "libopencore_amrnb", "amr_nb" }, { "libvo_amrwbenc", "amr_wb" } };
        if (audio->at("codec_name") != audioNames.at(option["-c:a"]))
            problems << "audio " << audio->at("codec_name") << "; ";
        if (audio->at("sample_rate") != option["-ar"])
            problems << "sampling " << audio->at("sample_rate") << "; ";
        if (audio->at("channels") != option["-ac"])
            problems << "channels " << audio->at("channels") << "; ";
    }
    // Playable: the whole file decodes without a single error.
    if (RunCommand({ "ffmpeg", "-nostdin", "-v", "error", "-i", run.output, "-f", "null", "-" }, logPath) != 0
        || !FileBytes(logPath).empty())
        problems << "decoding: " << FileBytes(logPath);
    return problems.str();
}

TEST(ShippedDatabase, EveryPairOfChoicesConvertsToAPlayable3gp)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    CopyShippedDatabase("LibFFmpeg.Dat");
    const std::string source = dir.File("source clip.mkv");
    GenerateClip(source, 1.0);
    ErrorReports reports;
    Session s;
    // Only this scratch copy: over a thousand picks are saved, each would wait for the disk.
    sqlite3_exec(s.dataModule.DataBase(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    s.Show();
    ASSERT_TRUE(reports.messages.empty()) << reports.messages.front();

    CatalogueShape shape;
    Choice defaults;
    for (int n = 1; n <= 6; ++n)
        shape.counts[static_cast<std::size_t>(n - 1)] = s.Selector(n).ItemCount();
    for (int n = 1; n <= 9; ++n)
        defaults[static_cast<std::size_t>(n - 1)] = s.Selector(n).ItemIndex();
    for (int a = 0; a < shape.counts[5]; ++a) {
        s.Selector(6).UserPick(a);
        shape.subCounts.push_back({ s.Selector(7).ItemCount(), s.Selector(8).ItemCount(), s.Selector(9).ItemCount() });
    }

    std::vector<Choice> choices = { defaults };
    const std::vector<Choice> cover = AllPairsCover(shape);
    choices.insert(choices.end(), cover.begin(), cover.end());
    std::mt19937 random(20240607);
    for (int i = 0; i < 5;) {
        Choice c;
        for (int f = 0; f < 6; ++f)
            c[static_cast<std::size_t>(f)]
                = static_cast<int>(random() % static_cast<unsigned>(shape.counts[static_cast<std::size_t>(f)]));
        for (int f = 6; f < 9; ++f)
            c[static_cast<std::size_t>(f)] = static_cast<int>(random()
                % static_cast<unsigned>(
                    shape.subCounts[static_cast<std::size_t>(c[5])][static_cast<std::size_t>(f - 6)]));
        if (!Refused(c)) {
            choices.push_back(c);
            ++i;
        }
    }

    // The fragments come from the program itself: the user's picks, then the nine
    // fragments read for the current entries, split as the command-line builder splits them.
    std::vector<Conversion> runs;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const Choice& c = choices[i];
        for (int n = 1; n <= 9; ++n)
            s.Selector(n).UserPick(c[static_cast<std::size_t>(n - 1)]);
        Conversion run;
        run.output = dir.File("out " + std::to_string(i) + ".3gp");
        run.arguments = { "ffmpeg", "-y", "-i", source };
        for (int n = 1; n <= 9; ++n) {
            run.fragments.push_back(s.Fragment(n));
            run.name += (n > 1 ? " | " : "") + s.Selector(n).Text();
            const std::string fragment = n == width_ratio::kTag
                ? width_ratio::ForSize(run.fragments.back(), run.fragments[2])
                : run.fragments.back();
            for (std::string& argument : EncoderArguments(fragment))
                run.arguments.push_back(std::move(argument));
        }
        run.arguments.push_back(run.output);
        runs.push_back(std::move(run));
    }
    ASSERT_TRUE(reports.messages.empty()) << reports.messages.front();

    const auto start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next { 0 };
    auto worker = [&](int id) {
        const std::string logPath = dir.File("log " + std::to_string(id) + ".txt");
        for (std::size_t i; (i = next++) < runs.size();) {
            Conversion& run = runs[i];
            run.exitStatus = RunCommand(run.arguments, logPath);
            run.log = FileBytes(logPath);
            if (run.exitStatus == 0)
                run.problems = CheckOutput(run, logPath);
        }
    };
    std::thread first(worker, 1), second(worker, 2);
    first.join();
    second.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int failed = 0;
    for (const Conversion& run : runs) {
        if (run.exitStatus != 0 || !run.problems.empty()) {
            ++failed;
            std::string command;
            for (const std::string& a : run.arguments)
                command += a + " ";
            ADD_FAILURE() << run.name << "\n  " << command << "\n  exit " << run.exitStatus << ": " << run.problems
                          << "\n"
                          << run.log.substr(run.log.size() > 600 ? run.log.size() - 600 : 0);
        }
    }
    std::cout << "[ catalogue ] " << runs.size() << " combinations (" << cover.size()
              << " all-pairs, default, 5 random) "
              << "converted and checked in " << seconds << " s, " << failed << " failed\n";
    RecordProperty("combinations", static_cast<int>(runs.size()));
    RecordProperty("seconds", std::to_string(seconds));
}

} // namespace
} // namespace ondrevo::testing
