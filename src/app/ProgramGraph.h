#pragma once
// The program's long-lived parts, built once before any window: the batch engine (on
// the settings file's query) and, once the main window exists, the window as its view.
// The Qt program and the tests' in-memory window build one the same way. UI thread.

#include "conversion/BatchEngine.h"

#include <memory>

namespace ondrevo {

class IEventLoop;
class IMainWindow;
class WindowBatchView;

class ProgramGraph {
public:
    // The engine reads the choices' fragments through the program-wide data module
    // (SqlDatMod), which must exist whenever a batch runs.
    explicit ProgramGraph(IEventLoop& loop);
    ~ProgramGraph();
    ProgramGraph(const ProgramGraph&) = delete;
    ProgramGraph& operator=(const ProgramGraph&) = delete;

    BatchEngine& Engine() { return engine_; }
    // The window is the engine's view from now until DetachWindow.
    void AttachWindow(IMainWindow& window);
    void DetachWindow();

private:
    BatchEngine engine_;
    std::unique_ptr<WindowBatchView> view_;
};

} // namespace ondrevo
