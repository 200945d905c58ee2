#include "conversion/WholeOutput.h"

#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"

#include <sys/stat.h>

namespace ondrevo {

bool IsWholeOutput(const std::string& path, long long sourceMilliseconds)
{
    struct stat status { };
    if (sourceMilliseconds <= 0 || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size == 0)
        return false;
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    if (!query)
        return false;
    // The library names the container of 3GP files "MPEG-4"; a file it cannot read has
    // no format. A file whose index promises more than its data holds is truncated.
    if (query->Get(Stream_General, "Format") != "MPEG-4" || !query->Get(Stream_General, "IsTruncated").empty())
        return false;
    const long long milliseconds = MillisecondsText(query->Get(Stream_General, "Duration"));
    return milliseconds > 0 && milliseconds * 10 >= sourceMilliseconds * 9;
}

} // namespace ondrevo
