#pragma once
// Whether this machine's encoder program has the encoders the current choices name
// ("-c:v mpeg4", "-c:a aac", ...), asked once per batch so that a missing one fails the
// batch's first row with the reason instead of every row. The program's list of
// encoders ("ffmpeg -encoders") is read when a batch first needs it and kept for as
// long as the program file stays the same one. UI thread.

#include "conversion/EncoderListCache.h"

#include <ctime>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ondrevo {

// The encoder a fragment names for one kind of stream ('v' video, 'a' audio): the
// value after the last -c:V, -codec:V or -Vcodec (V the kind); "" when it names none or
// "copy". "-c" and "-codec" without a kind name every stream's.
std::string NamedEncoder(const std::string& fragment, char kind);
// The encoder names of "ffmpeg -encoders" output: the second word of each line after
// the "------" line that ends its legend.
std::set<std::string> ListedEncoders(const std::string& listing);
// The Debian package that brings an encoder the standard ffmpeg lacks ("libavcodec-extra"
// for the AMR encoders); "" for the others.
std::string PackageOf(const std::string& encoder);
// Whether the video encoder writes pictures of any (even) size; H.263 takes only five.
bool TakesAnySize(const std::string& encoder);
// Why `encoder` cannot write the picture size a Video Size fragment names ("-s 320x240"),
// "" when it can or the fragment names no size: H.263 takes only its five sizes.
// `takers` are the Video Codec entries that take any size, for the reason to name.
std::string SizeRefusal(const std::string& encoder, const std::string& sizeFragment, const std::string& sizeEntry,
    const std::vector<std::string>& takers);

class EncoderCheck {
public:
    struct Need {
        std::string encoder; // "" needs nothing
        std::string selector; // "Video Codec"
        std::string entry; // its entry's name
    };

    // Why a batch with these needs cannot run on `program`, "" when it can or the
    // program's list cannot be read (each row then finds out for itself): the program
    // cannot be started ("PATH: No such file or directory"), or it lacks an encoder
    // ("This ffmpeg has no encoder libopencore_amrnb, which Audio Codec "AMR-NB" needs;
    // install the package libavcodec-extra", the package named where one is known).
    std::string Refusal(const std::string& program, const std::vector<Need>& needs);

    // Where the lists are kept between runs of the program; none by default.
    void SetCache(EncoderListCache cache) { cache_ = std::move(cache); }

    // How long the program may take to list its encoders before the check gives up.
    static constexpr int kListingMilliseconds = 5000;

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified {};
        bool operator==(const Identity& other) const;
    };
    bool listed_ = false;
    std::string program_;
    Identity identity_;
    std::string startError_; // the program could not be started
    std::set<std::string> encoders_; // empty: the list could not be read
    EncoderListCache cache_;
};

} // namespace ondrevo
