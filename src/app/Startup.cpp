#include "app/Startup.h"

#include "app/ErrorReport.h"
#include "app/JournaledFileList.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqlDatMod.h"

#include <climits>
#include <unistd.h>

namespace ondrevo {

namespace {

// What the box says after the database's words when the settings file cannot be opened.
std::string CannotOpenAdvice()
{
    char folder[PATH_MAX];
    const std::string where = ::getcwd(folder, sizeof folder) ? std::string(" in ") + folder : "";
    return "\nThe settings file LibFFmpeg.Dat" + where
        + " cannot be opened. Start Ondrevo in its own folder, which must exist and be writable (scripts/run.sh and"
          " the installed launcher do so). If the file is damaged, move it away: scripts/run.sh or"
          " scripts/install.sh puts the shipped one back.";
}

} // namespace

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
        try {
            dataModule = environment.createDataModule ? environment.createDataModule()
                                                      : std::make_unique<TSqlDatMod>("LibFFmpeg.Dat");
        } catch (const EUniError& e) {
            throw EUniError(e.ErrorCode(), ErrorReportText(e.what()) + CannotOpenAdvice());
        }
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
