#pragma once
// The program after start-up on a real database file, for tests that drive it through the
// main window: the data module plus the in-memory main window.

#include "base/PlainEventLoop.h"
#include "parameters/TSqlDatMod.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryMainWindow.h"

#include <functional>
#include <string>

namespace ondrevo::testing {

// The program after start-up: the data module on `databaseName` (resolved against the
// working directory) installed as SqlDatMod, and the in-memory main window as FFmpegFrm.
class Session {
public:
    explicit Session(const std::string& databaseName = "LibFFmpeg.Dat");
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The window's first show: fills the selectors, then shows the output folder.
    void Show();
    // A user action on a window event, dispatched like the toolkit does.
    void Event(const std::function<void(TFFmpegFrmHandlers&)>& handler) { window.Event(handler); }
    // The nine selectors in table order: JvCmbVdo1..5, JvCmbAdo1..4.
    MemorySelector& Selector(int n) { return n <= 5 ? window.Vdo(n) : window.Ado(n - 5); }
    // Fragment of selector n's current entry, read by a fresh controller.
    std::string Fragment(int n);

    PlainEventLoop loop;
    TSqlDatMod dataModule;
    MemoryMainWindow window;
};

} // namespace ondrevo::testing
