#include "app/ProgramGraph.h"

#include "app/WindowBatchView.h"
#include "base/Errors.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqlDatMod.h"

namespace ondrevo {
namespace {

TSqliteQuery& DataModuleQuery()
{
    if (!SqlDatMod)
        throw Exception("The data module does not exist");
    return SqlDatMod->SqliteQuery();
}

// The data module's file, which the engine's worker thread opens for itself, waiting for
// a lock as long as the data module does.
SettingsPlace DataModulePlace()
{
    if (!SqlDatMod)
        throw Exception("The data module does not exist");
    return SettingsPlace { SqlDatMod->FileName(), SqlDatMod->BusyTimeout() };
}

} // namespace

ProgramGraph::ProgramGraph(IEventLoop& loop)
    : engine_(loop, DataModuleQuery, DataModulePlace)
{
    engine_.partFolders = []() -> ListJournal* { return SqlDatMod ? &SqlDatMod->Journal() : nullptr; };
}

ProgramGraph::~ProgramGraph()
{
    DetachWindow();
}

void ProgramGraph::AttachWindow(IMainWindow& window)
{
    view_ = std::make_unique<WindowBatchView>(window, engine_);
    engine_.SetView(view_.get());
}

void ProgramGraph::DetachWindow()
{
    engine_.SetView(nullptr);
    view_.reset();
}

} // namespace ondrevo
