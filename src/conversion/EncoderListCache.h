#pragma once
// The encoder program's list of encoders kept on the disk between runs of the program:
// asking the program costs a start of it (some 50 ms), at every batch of every
// `ondrevo-convert` a scheduler starts. The list is taken again whenever the program
// file, or the system's installed packages (a package such as libavcodec-extra replaces
// the encoder's libraries, not the program), are not the ones it was taken with. Any
// failure to read or write the file only means asking the program.

#include <optional>
#include <set>
#include <string>

namespace ondrevo {

class EncoderListCache {
public:
    // Keeps lists in `folder` (made when first written); an empty folder keeps none.
    explicit EncoderListCache(std::string folder = "");

    // The list kept for `program` as it is now; nothing when none fits.
    std::optional<std::set<std::string>> Read(const std::string& program) const;
    // Keeps `encoders` for `program` as it is now.
    void Write(const std::string& program, const std::set<std::string>& encoders) const;

    // What the list depends on: the program file (followed through links) and the
    // package database; "" when the program file cannot be read.
    static std::string StampOf(const std::string& program);
    // The file a program's list is kept in.
    std::string FileOf(const std::string& program) const;

private:
    std::string folder_;
};

} // namespace ondrevo
