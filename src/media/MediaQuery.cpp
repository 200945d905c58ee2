#include "media/MediaQuery.h"

namespace ondrevo {

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
    MediaQuery query(handle);
    MediaInfoA_Open(handle, path.c_str());
    return query;
}

MediaQuery::MediaQuery(MediaQuery&& other) noexcept
    : handle_(other.handle_)
{
    other.handle_ = nullptr;
}

MediaQuery::~MediaQuery()
{
    if (!handle_)
        return;
    MediaInfoA_Close(handle_);
    MediaInfoA_Delete(handle_);
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
