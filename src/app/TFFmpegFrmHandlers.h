#pragma once
// The main window's event handlers. Each one creates a TFFmpegFunc bound to the
// window's controls, calls its operation(s) (the batch's on the engine) and frees it. The Qt window and the tests'
// in-memory window route their events here through Dispatch, so an error escaping a
// handler is shown by the error report.

#include "base/EventLoop.h"
#include "conversion/BatchModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ondrevo {

class TJvTimer;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Key codes the handlers act on.
constexpr int VK_DELETE = 0x2E;

class TFFmpegFrmHandlers {
public:
    explicit TFFmpegFrmHandlers(IEventLoop& loop)
        : loop_(loop)
    {
    }

    // Connects the event that does not come from a widget: the busy timer's tick. The
    // encoders report to the batch engine, which tells the window (its view).
    void WireNonVisualEvents(TJvTimer& jvTimer);

    void FormShow();
    void FormClose();
    // Closing the main window: the close handler (reported like any handler), then the
    // program's quit request. The close cannot be refused. An encoder that is still
    // finishing its file (stopped, or asked to stop by the close handler) ends first, so
    // what it wrote is kept; the loop ends after its end event.
    void CloseMainWindow();

    void AddFileBtnClick();
    void DelFileBtnClick();
    void ClearFileBtnClick();
    void ConvFileBtnClick();
    void StopConvBtnClick();
    // Pause while a batch runs, Resume while it is paused.
    void PauseButtonClick();
    // The file list's menu: "Convert remaining rows", "Convert failed rows again" and
    // "Convert this row again", and whether each would convert anything now (none
    // does while a batch runs).
    void FileListViewConvertRows(RunScope scope);
    bool FileListViewCanConvertRows(RunScope scope);
    void PlayBtnClick();
    void DonateBtnClick();
    void QuitBtnClick();
    void FileListViewClick();
    // A key pressed on the file list: Delete does what the Delete button does, while
    // that button is enabled.
    void FileListViewKeyDown(int key);
    // Whether files dragged over the list may be dropped there: always, during a batch too.
    bool FileListViewDragOver();
    // Files dropped on the list (their paths, in the order dropped), and those another
    // start of the program hands over.
    void FileListViewDragDrop(const std::vector<std::string>& paths);
    void JvBtnSltDirClick();
    void JvBtnOpenDirClick();

    // n = 1..5 for JvCmbVdo1..5; JvCmbAdo1 has its own handler; n = 2..4 for JvCmbAdo2..4.
    void JvCmbVdoChange(int n);
    void JvCmbAdo1Change();
    void JvCmbAdoChange(int n);

    // An encoder of the batch has ended and its row is judged; `anyBusy` whether
    // another still runs. A closing window quits after the last.
    void EncoderEnded(bool anyBusy);
    void FilesAtOnceSpinChange();
    void ExistingOutputsComboChange();
    void KeepDateCheckChange();
    // "Largest file size" picked or typed, "Cut to fit" clicked.
    void SizeLimitComboChange();
    void CutToFitCheckClick();
    // "Made for" picked, and its buttons "Save as...", "Delete", "Export...", "Import...".
    void MadeForComboChange();
    void SavePresetBtnClick();
    void DeletePresetBtnClick();
    void ExportPresetBtnClick();
    void ImportPresetBtnClick();
    void JvTimerTimer();

    void JvTrayIconClick(TMouseButton button);
    void ShowMainForm1Click();
    void Quit1Click();

private:
    IEventLoop& loop_;
    bool quitWhenEncoderEnds_ = false;
};

} // namespace ondrevo
