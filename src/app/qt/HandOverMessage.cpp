#include "app/qt/HandOverMessage.h"

#include <cstdint>

namespace ondrevo::hand_over {
namespace {

constexpr std::string_view kMagic { "ONDREVO\x01", 8 };

void PutLength(std::string& out, std::size_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// Takes a 4-byte length from the front of `bytes`; nothing when fewer bytes are left.
std::optional<std::size_t> TakeLength(std::string_view& bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    bytes.remove_prefix(4);
    return value;
}

} // namespace

std::string Encode(const std::vector<std::string>& paths)
{
    std::string out(kMagic);
    PutLength(out, paths.size());
    for (const std::string& path : paths) {
        PutLength(out, path.size());
        out += path;
    }
    return out;
}

std::optional<std::vector<std::string>> Decode(std::string_view bytes)
{
    if (bytes.size() > kMaxMessageBytes || bytes.substr(0, kMagic.size()) != kMagic)
        return std::nullopt;
    bytes.remove_prefix(kMagic.size());
    const std::optional<std::size_t> count = TakeLength(bytes);
    // Each path takes at least its length and one byte: a larger count is a lie, and
    // reserving for it would be a way to exhaust memory.
    if (!count || *count > bytes.size() / 5)
        return std::nullopt;
    std::vector<std::string> paths;
    paths.reserve(*count);
    for (std::size_t i = 0; i < *count; ++i) {
        const std::optional<std::size_t> length = TakeLength(bytes);
        if (!length || *length == 0 || *length > bytes.size())
            return std::nullopt;
        std::string_view path = bytes.substr(0, *length);
        if (path.front() != '/' || path.find('\0') != std::string_view::npos)
            return std::nullopt;
        paths.emplace_back(path);
        bytes.remove_prefix(*length);
    }
    if (!bytes.empty())
        return std::nullopt;
    return paths;
}

} // namespace ondrevo::hand_over
