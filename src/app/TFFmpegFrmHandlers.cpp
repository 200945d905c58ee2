#include "app/TFFmpegFrmHandlers.h"

#include "app/MainWindow.h"
#include "app/TFFmpegFunc.h"
#include "app/TJvTimer.h"
#include "base/Controls.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "conversion/EncoderPool.h"

namespace ondrevo {
namespace {

// "Made for" after a choice was saved (or refused). A database that cannot be read then
// was reported by the save; "Made for" keeps what it showed.
void ShowMadeFor(TFFmpegFunc& func)
{
    try {
        func.ShowMadeFor();
    } catch (const EUniError&) {
    }
}

} // namespace

void TFFmpegFrmHandlers::WireNonVisualEvents(TJvTimer& jvTimer)
{
    jvTimer.OnTimer = [this] { JvTimerTimer(); };
}

void TFFmpegFrmHandlers::FormShow()
{
    TFFmpegFunc func;
    func.ShowWindowFirstTime();
    func.HandChoicesToEngine();
}

void TFFmpegFrmHandlers::FormClose()
{
    TFFmpegFunc().StopOnClose();
}

void TFFmpegFrmHandlers::CloseMainWindow()
{
    Dispatch([this] { FormClose(); });
    if (FFmpegFrm && FFmpegFrm->Encoders().AnyBusy())
        quitWhenEncoderEnds_ = true;
    else
        loop_.Quit();
}

void TFFmpegFrmHandlers::AddFileBtnClick()
{
    TFFmpegFunc().AddVideoFile();
}

void TFFmpegFrmHandlers::DelFileBtnClick()
{
    TFFmpegFunc().DeleteVideoFile();
}

void TFFmpegFrmHandlers::ClearFileBtnClick()
{
    TFFmpegFunc().ClearVideoFiles();
}

void TFFmpegFrmHandlers::ConvFileBtnClick()
{
    TFFmpegFunc().ConvertFiles();
}

void TFFmpegFrmHandlers::StopConvBtnClick()
{
    TFFmpegFunc().StopConversion();
}

void TFFmpegFrmHandlers::PauseButtonClick()
{
    TFFmpegFunc().PauseConversion();
}

void TFFmpegFrmHandlers::FileListViewConvertRows(RunScope scope)
{
    TFFmpegFunc().ConvertRows(scope);
}

bool TFFmpegFrmHandlers::FileListViewCanConvertRows(RunScope scope)
{
    return TFFmpegFunc().CanConvertRows(scope);
}

void TFFmpegFrmHandlers::PlayBtnClick()
{
    TFFmpegFunc().PlayVideoFile();
}

void TFFmpegFrmHandlers::DonateBtnClick()
{
    TFFmpegFunc().OpenDonationPage();
}

void TFFmpegFrmHandlers::QuitBtnClick()
{
    FFmpegFrm->Close();
}

void TFFmpegFrmHandlers::FileListViewClick()
{
    TFFmpegFunc().ShowSelectedFileInfo();
}

void TFFmpegFrmHandlers::FileListViewKeyDown(int key)
{
    if (key == VK_DELETE && FFmpegFrm->DelFileBtn().Enabled())
        DelFileBtnClick();
}

bool TFFmpegFrmHandlers::FileListViewDragOver()
{
    return true;
}

void TFFmpegFrmHandlers::FileListViewDragDrop(const std::vector<std::string>& paths)
{
    TFFmpegFunc().AddDroppedFiles(paths);
}

void TFFmpegFrmHandlers::JvBtnSltDirClick()
{
    TFFmpegFunc func;
    func.ChooseOutputDir();
    func.HandChoicesToEngine();
}

void TFFmpegFrmHandlers::JvBtnOpenDirClick()
{
    TFFmpegFunc().OpenOutputDir();
}

void TFFmpegFrmHandlers::JvCmbVdoChange(int n)
{
    TFFmpegFunc func;
    func.SaveSelectorPosition(*func.VideoSelectors().at(static_cast<std::size_t>(n - 1)));
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::JvCmbAdo1Change()
{
    TFFmpegFunc func;
    if (func.SaveSelectorPosition(*func.AudioSelectors()[0]))
        func.RefillAudioSelectors();
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::JvCmbAdoChange(int n)
{
    TFFmpegFunc func;
    func.SaveAudioPosition(*func.AudioSelectors().at(static_cast<std::size_t>(n - 1)));
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::EncoderEnded(bool anyBusy)
{
    if (quitWhenEncoderEnds_ && !anyBusy) {
        quitWhenEncoderEnds_ = false;
        loop_.Quit();
    }
}

void TFFmpegFrmHandlers::FilesAtOnceSpinChange()
{
    TFFmpegFunc func;
    func.SaveFilesAtOnce();
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::ExistingOutputsComboChange()
{
    TFFmpegFunc func;
    func.SaveExistingOutputs();
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::KeepDateCheckChange()
{
    TFFmpegFunc func;
    func.SaveKeepSourceDate();
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::SizeLimitComboChange()
{
    TFFmpegFunc func;
    func.SaveSizeLimit();
    func.HandChoicesToEngine();
    ShowMadeFor(func);
}

void TFFmpegFrmHandlers::CutToFitCheckClick()
{
    SizeLimitComboChange();
}

void TFFmpegFrmHandlers::MadeForComboChange()
{
    TFFmpegFunc func;
    func.ApplyPickedPreset();
    func.HandChoicesToEngine();
}

void TFFmpegFrmHandlers::SavePresetBtnClick()
{
    TFFmpegFunc().SavePresetAs();
}

void TFFmpegFrmHandlers::DeletePresetBtnClick()
{
    TFFmpegFunc().DeletePreset();
}

void TFFmpegFrmHandlers::ExportPresetBtnClick()
{
    TFFmpegFunc().ExportPreset();
}

void TFFmpegFrmHandlers::ImportPresetBtnClick()
{
    TFFmpegFunc func;
    func.ImportPreset();
    func.HandChoicesToEngine();
}

void TFFmpegFrmHandlers::JvTimerTimer()
{
    TFFmpegFunc func;
    func.ToggleTrayIcon();
    func.RetryStalledStart();
}

void TFFmpegFrmHandlers::JvTrayIconClick(TMouseButton button)
{
    if (button == TMouseButton::mbLeft)
        FFmpegFrm->JvTrayIcon().RestoreApplication();
}

void TFFmpegFrmHandlers::ShowMainForm1Click()
{
    FFmpegFrm->JvTrayIcon().RestoreApplication();
}

void TFFmpegFrmHandlers::Quit1Click()
{
    FFmpegFrm->Close();
}

} // namespace ondrevo
