#pragma once
// Turns a child's console output into lines the way a terminal would show them: text is
// written at a cursor, CR returns to column 0 and later text overwrites from the left,
// BS moves back without erasing, TAB writes eight spaces, NUL and BEL show as spaces.
// The current line is delivered at each LF (then a new line starts) and at the end of
// every piece of output, even when it is empty. Bytes are 8-bit text, not decoded.

#include <cstddef>
#include <functional>
#include <string>

namespace ondrevo {

class TJvLineParser {
public:
    // Receives the current line and the starts-on-new-line flag as it stood. Returns
    // false to stop parsing the rest of the piece (the receiver is gone).
    using Deliver = std::function<bool(const std::string& line, bool startsOnNewLine)>;

    // A fresh line at column 0 that starts on a new line.
    void Reset();
    // Parses one piece of output (the reader hands at most 1024 bytes at a time).
    // Returns false when a delivery asked to stop.
    bool Parse(const char* data, std::size_t n, const Deliver& deliver);
    // When the output has ended: delivers the current line once more, when not empty.
    bool Finish(const Deliver& deliver);

    const std::string& Line() const { return line_; }
    std::size_t Cursor() const { return cursor_; }
    bool StartsOnNewLine() const { return startsOnNewLine_; }

private:
    void WriteRun(const char* run, std::size_t n);
    void WriteSpaces(std::size_t n);
    bool Emit(bool endsWithNewLine, const Deliver& deliver);

    std::string line_;
    std::size_t cursor_ = 0; // never above line_.size()
    bool startsOnNewLine_ = true;
};

} // namespace ondrevo
