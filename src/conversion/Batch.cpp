#include "conversion/Batch.h"

#include "base/Controls.h"
#include "base/HandlerDispatch.h"
#include "base/IntegerText.h"
#include "conversion/BatchControls.h"
#include "conversion/CommandLine.h"
#include "conversion/Shutdown.h"
#include "media/FileList.h"
#include "process/TJvCreateProcess.h"

namespace ondrevo::batch {
namespace {

void StopBusyAnimation(BatchControls& controls)
{
    controls.busyTimer.SetEnabled(false);
    controls.trayIcon.SetImageIndex(kIdleTrayImage);
}

} // namespace

const char* const kStopCommand = "q";
const char* const kOutputIsSourceHint = "Not converted: the output file would replace its own source file";

void SetEditingButtonsEnabled(BatchControls& controls, bool enabled)
{
    for (IButton* button : controls.editingButtons)
        button->SetEnabled(enabled);
}

void ConvertFiles(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    if (!controls.AddButton().Enabled())
        return;
    SetEditingButtonsEnabled(controls, false);
    controls.sleepInhibitor.SetHeld(true);
    if (controls.cursor.Text() == "0")
        Dispatch([&controls] { StartJob(controls); });
    else
        controls.cursor.SetText("0"); // its change event starts row 0
    controls.busyTimer.SetEnabled(true);
}

void StartJob(BatchControls& controls)
{
    const int row = StrToInt(controls.cursor.Text());
    if (row < 0 || row >= controls.fileList.RowCount())
        return;
    const std::string source = controls.fileList.Caption(row);
    file_list::ShowFileInfo(controls.details, source);
    controls.fileList.SetImageIndex(row, kConvertingImage);
    controls.fileList.SetRowHint(row, "");
    std::vector<std::string> arguments = command_line::BuildCommandLine(controls);
    // The encoder, told to overwrite, would destroy the file it is reading.
    if (command_line::SameFile(source, arguments.back())) {
        controls.fileList.SetRowHint(row, kOutputIsSourceHint);
        controls.encoder.PostEnd(1);
        return;
    }
    controls.encoder.SetCommandLine(std::move(arguments));
    controls.encoder.Run();
}

void JobEnded(BatchControls& controls, std::uint32_t exitCode)
{
    if (controls.AddButton().Enabled())
        return;
    const int row = StrToInt(controls.cursor.Text());
    controls.fileList.SetImageIndex(row, exitCode == 0 ? kEndedImage : kFailedImage);
    if (exitCode == 0)
        controls.fileList.SetRowHint(row, "");
    if (row < controls.fileList.RowCount() - 1) {
        controls.cursor.SetText(std::to_string(row + 1)); // its change event starts the next row
        return;
    }
    SetEditingButtonsEnabled(controls, true);
    if (controls.shutDownWhenDone.Checked())
        ShutdownComputer(kShutdownPowerOff, controls.loginManager, controls.quitRequest);
    controls.statusLine.SetText("");
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
}

void StopConversion(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    if (controls.AddButton().Enabled())
        return;
    SetEditingButtonsEnabled(controls, true);
    controls.encoder.Write(kStopCommand);
    controls.fileList.SetImageIndex(StrToInt(controls.cursor.Text()), kEndedImage);
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
}

void ToggleTrayIcon(BatchControls& controls)
{
    ITrayIcon& tray = controls.trayIcon;
    tray.SetImageIndex(tray.ImageIndex() == kIdleTrayImage ? kBusyTrayImage : kIdleTrayImage);
}

} // namespace ondrevo::batch
