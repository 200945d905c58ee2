#pragma once
// What a second start of the program hands to the copy already running from its folder:
// the files and folders it was given, as absolute paths. Paths go as bytes, each with its
// length before it, since a name need not be valid UTF-8. The running copy reads what
// arrives on its socket with Decode and ignores anything that is not exactly one whole
// message: a garbled or hostile one adds nothing.
//
// Layout: the 8 bytes "ONDREVO" 0x01, the number of paths as 4 bytes (least significant
// first), then each path's length as 4 bytes and its bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ondrevo::hand_over {

// More than any command line can carry (the kernel limits one to a few MB).
constexpr std::size_t kMaxMessageBytes = 16u << 20;

std::string Encode(const std::vector<std::string>& paths);

// The paths of one whole message; nothing when the bytes are anything else: another
// layout, cut short, with bytes after the end, larger than kMaxMessageBytes, or holding a
// path that is empty, relative or has a NUL byte in it.
std::optional<std::vector<std::string>> Decode(std::string_view bytes);

} // namespace ondrevo::hand_over
