// The line parser fed directly: control bytes found by the 16-byte scan at any offset
// (past the first block, at block edges, among bytes the scan flags but that are
// ordinary text), and lines whose bytes arrive split over several pieces.

#include "process/TJvLineParser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ondrevo {
namespace {

using Line = std::pair<std::string, bool>; // text, StartsOnNewLine

struct Parsed {
    std::vector<Line> lines;
    std::string line; // the parser's current line afterwards
    std::size_t cursor = 0;
};

Parsed ParsePieces(const std::vector<std::string>& pieces)
{
    TJvLineParser parser;
    Parsed parsed;
    const TJvLineParser::Deliver record = [&](const std::string& line, bool startsOnNewLine) {
        parsed.lines.emplace_back(line, startsOnNewLine);
        return true;
    };
    for (const auto& piece : pieces)
        EXPECT_TRUE(parser.Parse(piece.data(), piece.size(), record));
    parsed.line = parser.Line();
    parsed.cursor = parser.Cursor();
    return parsed;
}

// Ordinary text of n bytes, with bytes the scan stops at without them being control
// bytes (VT, FF, 11..13 range neighbours) and bytes above 127 mixed in.
std::string Text(std::size_t n)
{
    static const std::string alphabet = "abcdefghij\v\f\x0e\x1f\x7f\x80\xff XYZ=:.";
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += alphabet[i % alphabet.size()];
    return text;
}

// `line` with its start overwritten by `text`, as after a CR.
std::string Overwritten(std::string line, const std::string& text)
{
    return line.replace(0, text.size(), text);
}

TEST(TJvLineParser, ControlBytesAtOffsetsPastTheFirstBlock)
{
    for (const std::size_t at : { 16u, 17u, 31u, 32u, 33u, 47u, 63u, 100u, 1000u }) {
        SCOPED_TRACE(at);
        const std::string p = Text(at);
        struct Case {
            std::string input;
            std::string line; // delivered at the LF
        };
        std::string backspaced = p;
        backspaced[at - 2] = 'Z';
        const std::vector<Case> cases = {
            { p + "\rXY\n", Overwritten(p, "XY") },
            { p + "\tb\n", p + std::string(8, ' ') + "b" },
            { p + "\b\bZ\n", backspaced },
            { p + std::string(1, '\0') + "c\n", p + " c" },
            { p + "\ac\n", p + " c" },
            { p + "\n", p },
            // Two control bytes in the same piece, the second one a block further on.
            { p + "\t" + p + "\r!\n", Overwritten(p + std::string(8, ' ') + p, "!") },
        };
        for (const auto& c : cases) {
            const Parsed parsed = ParsePieces({ c.input });
            EXPECT_EQ(parsed.lines, (std::vector<Line> { { c.line, true }, { "", true } }));
        }
        // Without LF: the line as it stands when the piece ends.
        EXPECT_EQ(ParsePieces({ p + "\rQ" }).lines, (std::vector<Line> { { Overwritten(p, "Q"), true } }));
        EXPECT_EQ(ParsePieces({ p + "\rQ" }).cursor, 1u);
    }
}

TEST(TJvLineParser, LinesSplitAcrossPieces)
{
    // Each piece ends with a delivery of the line as it stands; the state carries over.
    EXPECT_EQ(ParsePieces({ "abc", "\rX", "\n" }).lines,
        (std::vector<Line> { { "abc", true }, { "Xbc", false }, { "Xbc", false }, { "", true } }));
    EXPECT_EQ(ParsePieces({ "abcd", "\b\bZ\n" }).lines,
        (std::vector<Line> { { "abcd", true }, { "abZd", false }, { "", true } }));
    EXPECT_EQ(ParsePieces({ "a", "\t", "b\n" }).lines.at(2), Line("a        b", false));
    // A progress line ended by CR at the end of a piece is overwritten by the next piece.
    EXPECT_EQ(ParsePieces({ "progress 1\r", "pro 2\r" }).lines,
        (std::vector<Line> { { "progress 1", true }, { "pro 2ess 1", false } }));
    // An empty piece delivers the current line again; after the end of a piece the
    // line no longer starts on a new line, even when it is empty.
    EXPECT_EQ(ParsePieces({ "x\n", "" }).lines, (std::vector<Line> { { "x", true }, { "", true }, { "", false } }));
}

TEST(TJvLineParser, AnySplitGivesTheSameLinesAtLineFeeds)
{
    const std::string input = Text(20) + "\r" + Text(40) + "\n" + Text(17) + "\b\b\bab\t" + Text(33)
        + std::string(1, '\0') + "\a\n\n" + Text(70) + "\r12\rx" + Text(5) + "\n" + Text(24) + "\b";
    const auto atLineFeeds = [&](const std::vector<std::string>& pieces) {
        std::vector<std::string> lines;
        TJvLineParser parser;
        for (const auto& piece : pieces) {
            std::size_t lineFeeds = 0;
            for (char c : piece)
                lineFeeds += c == '\n';
            std::size_t delivered = 0;
            parser.Parse(piece.data(), piece.size(), [&](const std::string& line, bool) {
                if (delivered++ < lineFeeds)
                    lines.push_back(line);
                return true;
            });
        }
        lines.push_back(parser.Line() + "|" + std::to_string(parser.Cursor()));
        return lines;
    };
    const auto whole = atLineFeeds({ input });
    ASSERT_EQ(whole.size(), 5u);
    for (std::size_t cut = 1; cut < input.size(); ++cut)
        EXPECT_EQ(atLineFeeds({ input.substr(0, cut), input.substr(cut) }), whole) << cut;
    std::vector<std::string> bytes;
    for (char c : input)
        bytes.emplace_back(1, c);
    EXPECT_EQ(atLineFeeds(bytes), whole);
}

TEST(TJvLineParser, FinishDeliversOnlyALineThatHasText)
{
    TJvLineParser parser;
    std::vector<Line> lines;
    const TJvLineParser::Deliver record = [&](const std::string& line, bool startsOnNewLine) {
        lines.emplace_back(line, startsOnNewLine);
        return true;
    };
    parser.Parse("a\n", 2, record);
    parser.Finish(record);
    parser.Parse("tail", 4, record);
    parser.Finish(record);
    EXPECT_EQ(lines, (std::vector<Line> { { "a", true }, { "", true }, { "tail", false }, { "tail", false } }));
}

} // namespace
} // namespace ondrevo
