#include "app/TFFmpegFunc.h"

#include "app/MainWindow.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "conversion/BatchEngine.h"
#include "media/FileAdder.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"

namespace ondrevo {

const char* const kDonationPage = "https://ondrevo.example.org/donate";

namespace {

IMainWindow& InstalledWindow()
{
    if (!FFmpegFrm)
        throw Exception("The main window does not exist");
    return *FFmpegFrm;
}

TSqlDatMod& InstalledDataModule()
{
    if (!SqlDatMod)
        throw Exception("The data module does not exist");
    return *SqlDatMod;
}

// The report of a settings file that could not be read at start-up: the database's
// words, what that means and what to do.
std::string SettingsFileReport(const EUniError& error, const std::string& fileName)
{
    const std::string said = ErrorReportText(error.what());
    if (IsLockError(error))
        return said + "\nThe settings file " + fileName
            + " is held by another program, so your saved choices could not be read. Quit Ondrevo and start it"
              " again once that program is done.";
    return said + "\nThe settings file " + fileName
        + " cannot be read: your saved choices are not shown, and choices you make now are not kept. Quit Ondrevo,"
          " move that file away (keep it if you want to repair it) and run scripts/run.sh or scripts/install.sh"
          " again, which puts the shipped settings file in its place.";
}

ISelector* LookUpSelector(IMainWindow& window, const std::string& name)
{
    ISelector* selector = window.FindSelector(name);
    if (!selector)
        throw Exception("Component " + name + " not found");
    return selector;
}

} // namespace

TFFmpegFunc::TFFmpegFunc()
    : TFFmpegFunc(InstalledWindow(), InstalledDataModule())
{
}

TFFmpegFunc::TFFmpegFunc(IMainWindow& window, TSqlDatMod& dataModule)
    : window_(window)
    , dataModule_(dataModule)
    , sqliteQuery_(dataModule.SqliteQuery())
    , openDialog1_(window.OpenDialog1())
    , journaledFileList_(window.FileListView(), dataModule.Journal(), window.Batch())
    , fileListView_(journaledFileList_)
    , msgListView_(window.MsgListView())
    , addFileBtn_(window.AddFileBtn())
    , delFileBtn_(window.DelFileBtn())
    , clearFileBtn_(window.ClearFileBtn())
    , convFileBtn_(window.ConvFileBtn())
    , stopConvBtn_(window.StopConvBtn())
    , playBtn_(window.PlayBtn())
    , jvEditDir_(window.JvEditDir())
    , jvEditNumb_(window.JvEditNumb())
    , jvEditCmdMsg_(window.JvEditCmdMsg())
    , jvCheckBox_(window.JvCheckBox())
    , engine_(window.Engine())
    , batchDisplay_(window.BatchDisplay())
    , filesAtOnceSpin_(window.FilesAtOnceSpin())
    , keepDateCheck_(window.KeepDateCheck())
    , sizeLimitCombo_(window.SizeLimitCombo())
    , cutToFitCheck_(window.CutToFitCheck())
    , jvTrayIcon_(window.JvTrayIcon())
    , jvTimer_(window.JvTimer())
    , sleepInhibitor_(window.SleepInhibitor())
    , loginManager_(window.LoginManager())
    , existingOutputsCombo_(window.ExistingOutputsCombo())
    , madeForCombo_(window.MadeForCombo())
{
    for (int n = 1; n <= 5; ++n)
        jvCmbVdo_[n - 1] = LookUpSelector(window, "JvCmbVdo" + std::to_string(n));
    for (int n = 1; n <= 4; ++n)
        jvCmbAdo_[n - 1] = LookUpSelector(window, "JvCmbAdo" + std::to_string(n));
}

void TFFmpegFunc::DisableButtons()
{
    for (IButton* button : { &addFileBtn_, &delFileBtn_, &clearFileBtn_, &convFileBtn_, &playBtn_ })
        button->SetEnabled(false);
}

void TFFmpegFunc::EnableButtons()
{
    for (IButton* button : { &addFileBtn_, &delFileBtn_, &clearFileBtn_, &convFileBtn_, &playBtn_ })
        button->SetEnabled(true);
}

void TFFmpegFunc::StopOnClose()
{
    window_.Adder().Cancel();
    // Closing stops the batch as Stop does: each encoder finishes its file on "q" (a
    // paused one is let go on first), and the program ends once the parts it wrote have
    // been kept.
    engine_.Stop();
}

void TFFmpegFunc::ShowWindowFirstTime()
{
    std::exception_ptr failure;
    for (void (TFFmpegFunc::*step)() : { &TFFmpegFunc::FillAllSelectors, &TFFmpegFunc::LoadOutputDir,
             &TFFmpegFunc::LoadFilesAtOnce, &TFFmpegFunc::LoadExistingOutputs, &TFFmpegFunc::LoadKeepSourceDate,
             &TFFmpegFunc::LoadSizeLimit, &TFFmpegFunc::ShowMadeFor, &TFFmpegFunc::RestoreFileList }) {
        try {
            (this->*step)();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const EUniError& error) {
        // The report says that choices cannot be kept: refusing them says nothing more.
        dataModule_.TakeSaveFailureReport();
        ReportHandlerError(std::make_exception_ptr(Exception(SettingsFileReport(error, dataModule_.FileName()))));
    } catch (...) {
        ReportHandlerError(std::current_exception());
    }
}

bool TFFmpegFunc::StoreChoice(const std::function<bool()>& save, const std::function<void()>& showStored)
{
    bool stored = false;
    try {
        stored = save();
    } catch (const EUniError&) {
        const std::exception_ptr refusal = std::current_exception();
        try {
            showStored();
        } catch (const std::exception&) {
            // A database that cannot be read either leaves the control showing nothing.
        }
        if (dataModule_.TakeSaveFailureReport())
            ReportHandlerError(refusal);
        return false;
    }
    if (stored)
        dataModule_.ChoiceSaved();
    return true;
}

void TFFmpegFunc::OpenDonationPage()
{
    window_.Desktop().Open(kDonationPage);
}

} // namespace ondrevo
