#include "media/MediaQuery.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <unistd.h>

namespace ondrevo {
namespace {

// Whether the C library's character type turns `text` into wide characters, as the
// media library does with a path before it opens it.
bool Convertible(const std::string& text)
{
    std::mbstate_t state {};
    const char* source = text.c_str();
    return std::mbsrtowcs(nullptr, &source, 0, &state) != static_cast<std::size_t>(-1);
}

// `name` with each byte that starts no character of the character type in force
// replaced by U+FFFD (or "?" when the character type cannot show that either).
std::string Readable(const std::string& name)
{
    const std::string replacement = Convertible("\xef\xbf\xbd") ? "\xef\xbf\xbd" : "?";
    std::string readable;
    std::mbstate_t state {};
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = std::mbrtowc(nullptr, name.data() + at, name.size() - at, &state);
        if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2) || length == 0) {
            readable += replacement;
            state = {};
            ++at;
        } else {
            readable.append(name, at, length);
            at += length;
        }
    }
    return readable;
}

// A symbolic link to `path` whose own path the library can open, keeping the file's
// name as far as it can be read (the library reports name and type from it). Empty
// when it cannot be made.
std::string MakeAlias(const std::string& path)
{
    std::string target = path;
    if (target.empty() || target.front() != '/') {
        char here[PATH_MAX];
        if (!::getcwd(here, sizeof here))
            return "";
        target = std::string(here) + "/" + target;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp && Convertible(tmp) ? tmp : "/tmp";
    folder += "/ondrevo-name-XXXXXX";
    if (!::mkdtemp(folder.data()))
        return "";
    std::string name = Readable(target.substr(target.rfind('/') + 1));
    if (name.empty() || name == "." || name == "..")
        name = "file";
    const std::string link = folder + "/" + name;
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        ::rmdir(folder.c_str());
        return "";
    }
    return link;
}

void RemoveAlias(const std::string& link)
{
    if (link.empty())
        return;
    ::unlink(link.c_str());
    ::rmdir(link.substr(0, link.rfind('/')).c_str());
}

} // namespace

std::optional<MediaQuery> MediaQuery::Start(const std::string& path)
{
    if (!LoadMediaInfo(MediaInfoLibraryName()))
        return std::nullopt;
    return Open(path);
}

std::optional<MediaQuery> MediaQuery::StartWithoutLoading(const std::string& path)
{
    return Open(path);
}

std::optional<MediaQuery> MediaQuery::Open(const std::string& path)
{
    // A library that loads but does not export what a query calls is treated like one
    // that cannot be loaded, rather than calling through a null pointer.
    if (!MediaQueryEntryPointsBound())
        return std::nullopt;
    void* handle = MediaInfoA_New();
    if (!handle)
        return std::nullopt;
    MediaQuery query(handle, Convertible(path) ? std::string() : MakeAlias(path));
    MediaInfoA_Open(handle, query.alias_.empty() ? path.c_str() : query.alias_.c_str());
    return query;
}

MediaQuery::MediaQuery(MediaQuery&& other) noexcept
    : handle_(other.handle_)
    , alias_(std::move(other.alias_))
{
    other.handle_ = nullptr;
    other.alias_.clear();
}

MediaQuery::~MediaQuery()
{
    if (!handle_)
        return;
    MediaInfoA_Close(handle_);
    MediaInfoA_Delete(handle_);
    RemoveAlias(alias_);
}

std::string MediaQuery::Get(MediaStreamKind streamKind, const std::string& parameter)
{
    const char* text = MediaInfoA_Get(handle_, streamKind, 0, parameter.c_str(), Info_Text, SearchByName);
    return text ? std::string(text) : std::string();
}

std::optional<std::vector<std::string>> RunMediaQuery(
    const std::string& path, const std::vector<MediaParameter>& parameters)
{
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    if (!query)
        return std::nullopt;
    std::vector<std::string> texts;
    texts.reserve(parameters.size());
    for (const MediaParameter& parameter : parameters)
        texts.push_back(query->Get(parameter.streamKind, parameter.name));
    return texts;
}

} // namespace ondrevo
