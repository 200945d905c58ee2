#include "conversion/EncoderCheck.h"

#include "base/Errors.h"
#include "process/ChildOutput.h"

#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace ondrevo {
namespace {

// The program's output to `-hide_banner -encoders`, "" when it could not be read whole
// in time. Raises EOSError when the program cannot be started.
std::string ReadListing(const std::string& program)
{
    const ChildOutput listing
        = ReadChildOutput({ program, "-hide_banner", "-encoders" }, EncoderCheck::kListingMilliseconds);
    return listing.succeeded ? listing.text : std::string();
}

} // namespace

std::string NamedEncoder(const std::string& fragment, char kind)
{
    const std::string shortOption = std::string("-c:") + kind;
    const std::string longOption = std::string("-codec:") + kind;
    const std::string oldOption = std::string("-") + kind + "codec";
    std::istringstream words(fragment);
    std::string named;
    for (std::string word, previous; words >> word; previous = word)
        if (previous == shortOption || previous == longOption || previous == oldOption || previous == "-c"
            || previous == "-codec")
            named = word;
    return named == "copy" ? std::string() : named;
}

std::set<std::string> ListedEncoders(const std::string& listing)
{
    std::set<std::string> names;
    std::istringstream lines(listing);
    bool legendDone = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string flags, name;
        if (!(words >> flags))
            continue;
        if (!legendDone) {
            legendDone = flags.find_first_not_of('-') == std::string::npos;
            continue;
        }
        if (words >> name)
            names.insert(name);
    }
    return names;
}

std::string PackageOf(const std::string& encoder)
{
    // Debian's libavcodec-extra replaces the standard libavcodec with one built with them.
    if (encoder == "libopencore_amrnb" || encoder == "libvo_amrwbenc")
        return "libavcodec-extra";
    return "";
}

bool TakesAnySize(const std::string& encoder)
{
    return encoder != "h263";
}

std::string SizeRefusal(const std::string& encoder, const std::string& sizeFragment, const std::string& sizeEntry,
    const std::vector<std::string>& takers)
{
    if (TakesAnySize(encoder))
        return "";
    std::istringstream words(sizeFragment);
    std::string size;
    for (std::string word, previous; words >> word; previous = word)
        if (previous == "-s")
            size = word;
    static const std::set<std::string> kH263Sizes = { "128x96", "176x144", "352x288", "704x576", "1408x1152" };
    if (size.empty() || kH263Sizes.count(size) > 0)
        return "";
    std::string reason = "H.263 encodes only 128x96, 176x144, 352x288, 704x576 and 1408x1152: Video Size \"" + sizeEntry
        + "\" needs another Video Codec";
    for (std::size_t i = 0; i < takers.size(); ++i) {
        const char* separator = i == 0 ? ", " : i + 1 == takers.size() ? " or " : ", ";
        reason += separator + ("\"" + takers[i] + "\"");
    }
    return reason;
}

bool EncoderCheck::Identity::operator==(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::string EncoderCheck::Refusal(const std::string& program, const std::vector<Need>& needs)
{
    bool needsAny = false;
    for (const Need& need : needs)
        needsAny = needsAny || !need.encoder.empty();
    if (!needsAny)
        return "";
    struct stat status { };
    Identity identity;
    if (::stat(program.c_str(), &status) == 0)
        identity = { status.st_dev, status.st_ino, status.st_size, status.st_mtim };
    // A program file that cannot be found is asked again, so that its error is today's.
    if (!listed_ || program != program_ || !(identity == identity_) || identity.size < 0) {
        listed_ = true;
        program_ = program;
        identity_ = identity;
        startError_.clear();
        encoders_.clear();
        if (std::optional<std::set<std::string>> kept = cache_.Read(program)) {
            encoders_ = std::move(*kept);
        } else {
            try {
                encoders_ = ListedEncoders(ReadListing(program));
                cache_.Write(program, encoders_);
            } catch (const EOSError& error) {
                startError_ = program + ": " + std::strerror(error.Code());
            }
        }
    }
    if (!startError_.empty())
        return startError_;
    if (encoders_.empty())
        return ""; // the list could not be read: each row finds out for itself
    for (const Need& need : needs)
        if (!need.encoder.empty() && encoders_.count(need.encoder) == 0) {
            const std::string package = PackageOf(need.encoder);
            return "This ffmpeg has no encoder " + need.encoder + ", which " + need.selector + " \"" + need.entry
                + "\" needs" + (package.empty() ? "" : "; install the package " + package);
        }
    return "";
}

} // namespace ondrevo
