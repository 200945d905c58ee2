#pragma once
// A started program for conversion tests: a program folder of its own whose bin/ffmpeg
// is the real encoder, the shipped database, the in-memory window shown once, and the
// output folder FFOutput beside the program.

#include "conversion/BatchModel.h"
#include "support/Clip.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>

namespace ondrevo {

// A failed assertion names the phase, not its number.
inline void PrintTo(RowPhase phase, std::ostream* out)
{
    *out << PhaseName(phase);
}

} // namespace ondrevo

namespace ondrevo::testing {

class ConversionSession : public Session {
public:
    // `prepare` may change the database file before the program opens it.
    explicit ConversionSession(
        const TempDir& dir, const std::function<void(const std::string& database)>& prepare = {});
    ~ConversionSession();

    // A clip of `seconds` at `relative` below the test's folder, its folders made.
    std::string Clip(const std::string& relative, double seconds, const std::string& extraOptions = "");
    std::string Output(const std::string& name) const { return outputFolder + "/" + name; }
    // Adds a row as the Add button does.
    void Add(const std::string& path);
    // Makes bin/ffmpeg the real encoder reading its source at the source's own pace and
    // over again: it converts until it is told to stop, however fast the machine is.
    void EncodeUntilStopped();
    void Convert()
    {
        Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
    }
    void Stop()
    {
        Event([](TFFmpegFrmHandlers& h) { h.StopConvBtnClick(); });
    }
    // Runs the loop until no batch runs and every encoder has ended.
    bool WaitUntilIdle(std::chrono::seconds limit = std::chrono::seconds(180));
    bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(120))
    {
        return loop.RunUntil(done, limit);
    }
    // What the batch engine's model holds for a row.
    RowPhase Phase(int row) const { return window.batch.Row(row).phase; }
    std::string Reason(int row) const { return window.batch.Row(row).reason; }
    long long PlayingMilliseconds(int row) const { return window.batch.Row(row).playingMilliseconds; }
    // What the window shows of a row.
    int Image(int row) const { return window.fileList.rows.at(static_cast<std::size_t>(row)).image; }
    std::string Percent(int row) const { return window.fileList.rows.at(static_cast<std::size_t>(row)).subItems.at(3); }
    std::string Hint(int row) const { return window.fileList.rows.at(static_cast<std::size_t>(row)).hint; }

    std::filesystem::path testFolder;
    std::string programFolder;
    std::string outputFolder;
};

} // namespace ondrevo::testing
