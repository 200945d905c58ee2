#pragma once
// A private folder for the encoder's two-pass statistics: made in the temporary folder
// ($TMPDIR, else /tmp) when a row needs two passes, and removed with everything in it
// when the row ends. Its name carries the program's process id, so a batch can remove
// the folders that a killed copy left behind. UI thread.

#include <string>

namespace ondrevo {

class PassLog {
public:
    // Makes the folder. Raises Exception, naming the temporary folder and why, when it
    // cannot be made.
    PassLog();
    // Removes the folder and the statistics in it.
    ~PassLog();
    PassLog(const PassLog&) = delete;
    PassLog& operator=(const PassLog&) = delete;

    const std::string& Folder() const { return folder_; }
    // The name the encoder's -passlogfile takes: it adds "-0.log" and the like.
    std::string Prefix() const { return folder_ + "/pass"; }

    // Removes the folders of programs that are no longer running. Returns how many.
    static int RemoveAbandoned();
    // The temporary folder the statistics folders are made in.
    static std::string TemporaryFolder();

private:
    std::string folder_;
};

} // namespace ondrevo
