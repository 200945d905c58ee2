#include "process/TJvLineParser.h"

#include <array>
#include <cstring>

namespace ondrevo {
namespace {

enum : unsigned char { kNul = 0, kBel = 7, kBs = 8, kTab = 9, kLf = 10, kCr = 13 };

// Bytes that end a run of ordinary text. NUL and BEL end it too, to be written as spaces.
constexpr std::array<bool, 256> SpecialBytes()
{
    std::array<bool, 256> special {};
    for (unsigned char c : {kNul, kBel, kBs, kTab, kLf, kCr})
        special[c] = true;
    return special;
}
constexpr std::array<bool, 256> kSpecial = SpecialBytes();

} // namespace

void TJvLineParser::Reset()
{
    line_.clear();
    cursor_ = 0;
    startsOnNewLine_ = true;
}

void TJvLineParser::WriteRun(const char* run, std::size_t n)
{
    if (n == 0)
        return;
    if (cursor_ + n > line_.size())
        line_.resize(cursor_ + n);
    std::memcpy(line_.data() + cursor_, run, n);
    cursor_ += n;
}

void TJvLineParser::WriteSpaces(std::size_t n)
{
    if (cursor_ + n > line_.size())
        line_.resize(cursor_ + n);
    std::memset(line_.data() + cursor_, ' ', n);
    cursor_ += n;
}

bool TJvLineParser::Emit(bool endsWithNewLine, const Deliver& deliver)
{
    bool goOn = true;
    try {
        goOn = deliver(line_, startsOnNewLine_);
    } catch (...) {
        // The line state moves on even when the receiver failed, so the next text does
        // not land in a line that was already delivered as complete.
        if (endsWithNewLine) {
            line_.clear();
            cursor_ = 0;
        }
        startsOnNewLine_ = endsWithNewLine;
        throw;
    }
    if (endsWithNewLine) {
        line_.clear();
        cursor_ = 0;
    }
    startsOnNewLine_ = endsWithNewLine;
    return goOn;
}

bool TJvLineParser::Parse(const char* data, std::size_t n, const Deliver& deliver)
{
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (!kSpecial[c])
            continue;
        WriteRun(data + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case kNul:
        case kBel:
            WriteSpaces(1);
            break;
        case kBs:
            if (cursor_ > 0)
                --cursor_;
            break;
        case kTab:
            WriteSpaces(8);
            break;
        case kLf:
            if (!Emit(true, deliver))
                return false;
            break;
        case kCr:
            cursor_ = 0;
            break;
        }
    }
    WriteRun(data + runStart, n - runStart);
    return Emit(false, deliver);
}

bool TJvLineParser::Finish(const Deliver& deliver)
{
    if (line_.empty())
        return true;
    return Emit(false, deliver);
}

} // namespace ondrevo
