#pragma once
// The media query: load the library if needed, get a new handle, open the file, ask for
// parameters by name as text, close the file and free the handle. Each query reads the
// file anew; nothing is cached from one query to the next.

#include "media/MediaInfoDll.h"

#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

struct MediaParameter {
    MediaStreamKind streamKind;
    std::string name;
};

// One open media query. Start() covers the first three steps, each Get() asks one
// parameter, and the destructor closes the file and frees the handle.
class MediaQuery {
public:
    // Loads the library (by MediaInfoLibraryName()) when needed and opens `path`, the
    // full path as 8-bit text. The library turns the path into wide characters first and
    // opens nothing when that fails (a name that is not UTF-8, such as "caf\xe9.mp4"):
    // such a file is opened through a symbolic link of a name it can read (the bytes it
    // cannot replaced), in a folder of its own under $TMPDIR or /tmp, removed with the
    // query. Nothing when the library cannot be loaded or lacks one
    // of the five entry points a query calls: the caller then abandons its operation.
    // Whether the library could open the file is not looked at: a file it cannot read
    // answers every parameter with an empty text.
    static std::optional<MediaQuery> Start(const std::string& path);
    // The same without the load step, for callers that run only after another query
    // has bound the entry points. Nothing when they are not bound.
    static std::optional<MediaQuery> StartWithoutLoading(const std::string& path);

    MediaQuery(MediaQuery&& other) noexcept;
    MediaQuery& operator=(MediaQuery&&) = delete;
    MediaQuery(const MediaQuery&) = delete;
    MediaQuery& operator=(const MediaQuery&) = delete;
    ~MediaQuery();

    // The parameter's value as text for the first stream of `streamKind`, looked up by
    // name. The library reuses one buffer per handle, so the text is copied at once.
    // A null or empty answer gives an empty text.
    std::string Get(MediaStreamKind streamKind, const std::string& parameter);

private:
    MediaQuery(void* handle, std::string alias)
        : handle_(handle)
        , alias_(std::move(alias))
    {
    }
    static std::optional<MediaQuery> Open(const std::string& path);
    void* handle_;
    // The link the file was opened through; empty when it was opened by its own path.
    std::string alias_;
};

// Runs one whole media query for `parameters` in their order. Nothing when the library
// cannot be loaded; otherwise one text per parameter.
std::optional<std::vector<std::string>> RunMediaQuery(
    const std::string& path, const std::vector<MediaParameter>& parameters);

} // namespace ondrevo
