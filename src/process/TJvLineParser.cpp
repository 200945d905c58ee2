#include "process/TJvLineParser.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ondrevo {
namespace {

enum : unsigned char { kNul = 0, kBel = 7, kBs = 8, kTab = 9, kLf = 10, kCr = 13 };

// Bytes that end a run of ordinary text. NUL and BEL end it too, to be written as spaces.
constexpr std::array<bool, 256> SpecialBytes()
{
    std::array<bool, 256> special {};
    for (unsigned char c : { kNul, kBel, kBs, kTab, kLf, kCr })
        special[c] = true;
    return special;
}
constexpr std::array<bool, 256> kSpecial = SpecialBytes();

// Index of the first byte at or after `i` that may be special (all of them are <= 13),
// or n. Progress text is mostly ordinary bytes, so this looks at 16 bytes a step.
std::size_t FindCandidate(const char* data, std::size_t i, std::size_t n)
{
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8(13);
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        // byte <= 13 (unsigned) exactly when min(byte, 13) == byte
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, limit), bytes));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i)
        if (static_cast<unsigned char>(data[i]) <= 13)
            return i;
    return n;
}

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
    for (std::size_t i = FindCandidate(data, 0, n); i < n; i = FindCandidate(data, i + 1, n)) {
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
