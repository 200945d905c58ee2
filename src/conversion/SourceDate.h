#pragma once
// "Keep the source's date": an output takes its source's modification time, to the
// nanosecond where the file systems keep it, and the container's creation time when the
// source has one that a 3GP file can hold. UI thread.

#include <string>
#include <vector>

namespace ondrevo::source_date {

// Gives the file at `to` the modification time of the file at `from`; its access time
// is left alone. Returns false, changing nothing, when either cannot be reached (a
// source removed meanwhile): the output is kept all the same.
bool CopyModificationTime(const std::string& from, const std::string& to);

// The creation time of the first input's container in the encoder's account of its
// inputs ("2019-07-04T10:20:30.000000Z"), "" when it names none.
std::string CreationTimeOf(const std::string& encoderLog);
// Whether a 3GP file's header holds the time as it is: its seconds from 1904 have 32
// bits, and readers take the values before 1970 for times after it, so only
// 1970-01-01 to 2040-02-06T06:28:15Z come back as written. False for a text that is
// no such time.
bool FitsIn3gp(const std::string& isoTime);

// The arguments that copy the source's container metadata, its creation time among
// them ("-map_metadata 0"), followed by "-metadata creation_time=" (which leaves the
// time out) when the encoder reads from `source` a creation time that a 3GP file cannot
// hold: 1969 would come back as 2035, 2100 as 2029. `source` is as the encoder takes it.
std::vector<std::string> ContainerDateArguments(const std::string& encoder, const std::string& source);

// How long the encoder may take to read the source's header.
constexpr int kHeaderMilliseconds = 5000;

} // namespace ondrevo::source_date
