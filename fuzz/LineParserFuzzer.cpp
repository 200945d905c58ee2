// Fuzzes the runner's piece-to-line parser. The first input byte chooses how the rest is
// cut into pieces; the rest is the child's output. Checked on every input:
//  - parsed whole, the deliveries equal those of a byte-at-a-time model of the terminal
//    rules (so the vectorised scan finds every control byte);
//  - a delivered line never holds LF, CR, TAB, BS, NUL or BEL, and the cursor never
//    passes the end of the line;
//  - each piece gives one delivery per LF plus one at its end;
//  - cut into pieces (as chosen, and byte by byte for short inputs), the lines delivered
//    at LF and the final line and cursor are the same as when parsed whole;
//  - a receiver that asks to stop gets nothing more from that piece, and one that throws
//    leaves a parser that goes on working.

#include "process/TJvLineParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using ondrevo::TJvLineParser;
using Line = std::pair<std::string, bool>;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "line parser invariant broken: %s\n", what);
        std::abort();
    }
}

// The terminal rules one byte at a time, with nothing clever in it.
class ModelParser {
public:
    void Parse(const std::string& piece, std::vector<Line>& out)
    {
        for (const char c : piece) {
            switch (static_cast<unsigned char>(c)) {
            case 0:
            case 7:
                Put(' ');
                break;
            case 8:
                if (cursor_ > 0)
                    --cursor_;
                break;
            case 9:
                for (int i = 0; i < 8; ++i)
                    Put(' ');
                break;
            case 10:
                out.emplace_back(line_, startsOnNewLine_);
                line_.clear();
                cursor_ = 0;
                startsOnNewLine_ = true;
                break;
            case 13:
                cursor_ = 0;
                break;
            default:
                Put(c);
            }
        }
        out.emplace_back(line_, startsOnNewLine_);
        startsOnNewLine_ = false;
    }

private:
    void Put(char c)
    {
        if (cursor_ < line_.size())
            line_[cursor_] = c;
        else
            line_ += c;
        ++cursor_;
    }

    std::string line_;
    std::size_t cursor_ = 0;
    bool startsOnNewLine_ = true;
};

bool HoldsControlByte(const std::string& line)
{
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0 || b == 7 || b == 8 || b == 9 || b == 10 || b == 13)
            return true;
    }
    return false;
}

std::size_t LineFeeds(const std::string& piece)
{
    std::size_t count = 0;
    for (const char c : piece)
        count += c == '\n';
    return count;
}

struct Outcome {
    std::vector<std::string> atLineFeeds; // texts delivered at LF, in order
    std::string line; // the current line at the end
    std::size_t cursor = 0;
};

// Parses the pieces in order, checking each delivery; optionally records them all.
Outcome ParsePieces(const std::vector<std::string>& pieces, std::vector<Line>* all = nullptr)
{
    TJvLineParser parser;
    Outcome outcome;
    for (const auto& piece : pieces) {
        const std::size_t lineFeeds = LineFeeds(piece);
        std::size_t deliveries = 0;
        const bool goOn = parser.Parse(piece.data(), piece.size(), [&](const std::string& line, bool startsOnNewLine) {
            Check(!HoldsControlByte(line), "a delivered line holds a control byte");
            Check(parser.Cursor() <= parser.Line().size(), "cursor past the end of the line");
            if (deliveries < lineFeeds)
                outcome.atLineFeeds.push_back(line);
            if (all)
                all->emplace_back(line, startsOnNewLine);
            ++deliveries;
            return true;
        });
        Check(goOn, "Parse stopped without being asked");
        Check(deliveries == lineFeeds + 1, "not one delivery per LF plus one at the end of the piece");
        Check(parser.Cursor() <= parser.Line().size(), "cursor past the end of the line after a piece");
    }
    outcome.line = parser.Line();
    outcome.cursor = parser.Cursor();
    std::size_t finished = 0;
    parser.Finish([&](const std::string&, bool startsOnNewLine) {
        Check(!startsOnNewLine, "the last delivery claims a new line");
        ++finished;
        return true;
    });
    Check(finished == (outcome.line.empty() ? 0u : 1u), "Finish delivers exactly when the line has text");
    return outcome;
}

bool SameOutcome(const Outcome& a, const Outcome& b)
{
    return a.atLineFeeds == b.atLineFeeds && a.line == b.line && a.cursor == b.cursor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const unsigned seed = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<Line> deliveries;
    const Outcome whole = ParsePieces({ text }, &deliveries);
    std::vector<Line> expected;
    ModelParser model;
    model.Parse(text, expected);
    Check(deliveries == expected, "deliveries differ from the byte-at-a-time model");

    // Pieces of 1..64 bytes, their sizes drawn from a small generator seeded by the first byte.
    std::vector<std::string> pieces;
    unsigned state = seed * 2654435761u + 1;
    for (std::size_t at = 0; at < text.size();) {
        state = state * 1103515245u + 12345u;
        const std::size_t n = 1 + (state >> 16) % 64;
        pieces.push_back(text.substr(at, n));
        at += n;
    }
    Check(SameOutcome(ParsePieces(pieces), whole), "cutting into pieces changed the lines at LF");
    if (text.size() <= 512) {
        std::vector<std::string> bytes;
        for (const char c : text)
            bytes.emplace_back(1, c);
        Check(SameOutcome(ParsePieces(bytes), whole), "parsing byte by byte changed the lines at LF");
    }

    // A receiver that stops or throws at delivery `k` of the whole text.
    const std::size_t k = seed % (expected.size() + 1);
    for (const bool throwing : { false, true }) {
        TJvLineParser parser;
        std::size_t count = 0;
        bool goOn = true, thrown = false;
        try {
            goOn = parser.Parse(text.data(), text.size(), [&](const std::string&, bool) {
                if (count++ == k) {
                    if (throwing)
                        throw 1;
                    return false;
                }
                return true;
            });
        } catch (int) {
            thrown = true;
        }
        const bool reached = k < expected.size();
        Check(count == (reached ? k + 1 : expected.size()), "deliveries went on after the receiver stopped");
        Check(throwing ? thrown == reached : goOn == !reached, "the stop was not reported");
        Check(parser.Cursor() <= parser.Line().size(), "cursor past the end of the line after a stop");
        parser.Parse("x\n", 2, [](const std::string& line, bool) {
            Check(!HoldsControlByte(line), "a line after a stop holds a control byte");
            return true;
        });
    }
    return 0;
}
