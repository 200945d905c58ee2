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

} // namespace

ProgramGraph::ProgramGraph(IEventLoop& loop)
    : engine_(loop, DataModuleQuery)
{
    engine_.partFolders = [] { return SqlDatMod ? SqlDatMod->Journal().PartFolders() : std::vector<std::string> {}; };
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
