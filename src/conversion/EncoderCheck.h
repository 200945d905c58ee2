#pragma once
// Whether this machine's encoder program has the encoders the current choices name
// ("-c:v mpeg4", "-c:a aac", ...), asked once per batch so that a missing one fails the
// batch's first row with the reason instead of every row. The program's list of
// encoders ("ffmpeg -encoders") is read when a batch first needs it and kept for as
// long as the program file stays the same one. UI thread.

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
    // ("This ffmpeg has no encoder libopencore_amrnb, which Audio Codec "AMR-NB" needs").
    std::string Refusal(const std::string& program, const std::vector<Need>& needs);

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
};

} // namespace ondrevo
