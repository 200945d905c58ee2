#include "conversion/SourceDate.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace ondrevo::source_date {

bool CopyModificationTime(const std::string& from, const std::string& to)
{
    struct stat source { };
    if (::stat(from.c_str(), &source) != 0)
        return false;
    const struct timespec times[2] = { { 0, UTIME_OMIT }, source.st_mtim };
    return ::utimensat(AT_FDCWD, to.c_str(), times, 0) == 0;
}

} // namespace ondrevo::source_date
