#include "app/Startup.h"

#include "app/ErrorReport.h"
#include "app/JournaledFileList.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqlDatMod.h"

namespace ondrevo {

std::string ApplicationErrorText(const std::string& className, const std::string& message)
{
    return "Exception " + className + " in module ondrevo.\n" + ErrorReportText(message);
}

int RunStartup(StartupEnvironment environment)
{
    SetApplicationTitle("Ondrevo");
    std::unique_ptr<TSqlDatMod> dataModule;
    std::shared_ptr<void> mainWindow;
    try {
        dataModule = environment.createDataModule ? environment.createDataModule()
                                                  : std::make_unique<TSqlDatMod>("LibFFmpeg.Dat");
        SqlDatMod = dataModule.get();
        ShowJournalHealth(dataModule->Journal(), *environment.loop);
        mainWindow = environment.createMainWindow();
    } catch (const std::exception& e) {
        mainWindow.reset();
        SqlDatMod = nullptr;
        dataModule.reset();
        if (environment.showApplicationError)
            environment.showApplicationError(ExceptionClassName(e), e.what());
        return 1;
    }
    environment.loop->Run();
    mainWindow.reset();
    // A normal end: the next start shows an empty list, not this one. An end the system
    // asked for keeps it, as a killed program's is kept.
    if (!environment.keepList || !environment.keepList())
        dataModule->Journal().EndSession();
    SqlDatMod = nullptr;
    dataModule.reset();
    return 0;
}

} // namespace ondrevo
