#pragma once
// In-memory controls, main window and program after start-up, for driving the logic
// without a toolkit. The controls keep the widgets' rules: change events only from user
// actions (selectors) or from a different text (edits), errors for rows that do not exist.

#include "app/ErrorReport.h"
#include "app/MainWindow.h"
#include "app/ProgramGraph.h"
#include "app/TFFmpegFrmHandlers.h"
#include "app/TJvTimer.h"
#include "base/Controls.h"
#include "base/HandlerDispatch.h"
#include "base/PlainEventLoop.h"
#include "conversion/EncoderPool.h"
#include "desktop/SleepInhibitor.h"
#include "media/FileAdder.h"
#include "parameters/TSqlDatMod.h"
#include "player/MplayerWindow.h"
#include "process/TJvCreateProcess.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryLoginManager.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ondrevo::testing {

class MemoryFileList : public IFileList {
public:
    struct Row {
        std::string caption;
        int image = 0;
        std::vector<std::string> subItems;
        std::string hint;
    };
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems) override
    {
        rows.push_back(Row { caption, imageIndex, subItems, {} });
    }
    std::string Caption(int row) const override { return At(row).caption; }
    int ImageIndex(int row) const override { return At(row).image; }
    void SetImageIndex(int row, int imageIndex) override { At(row).image = imageIndex; }
    std::string SubItem(int row, int k) const override { return Sub(row, k); }
    void SetSubItem(int row, int k, const std::string& text) override { Sub(row, k) = text; }
    std::string RowHint(int row) const override { return At(row).hint; }
    void SetRowHint(int row, const std::string& hint) override { At(row).hint = hint; }
    int Selected() const override { return selected; }
    void DeleteRow(int row) override;
    void DeleteAllRows() override;

    std::vector<Row> rows;
    int selected = -1;

private:
    // The row, or sub-item, at an index; one that does not exist raises as the widget does.
    const Row& At(int row) const;
    Row& At(int row) { return const_cast<Row&>(std::as_const(*this).At(row)); }
    const std::string& Sub(int row, int k) const;
    std::string& Sub(int row, int k) { return const_cast<std::string&>(std::as_const(*this).Sub(row, k)); }
};

class MemoryDetailsPanel : public IDetailsPanel {
public:
    explicit MemoryDetailsPanel(int rowCount = 16)
        : rows(static_cast<std::size_t>(rowCount))
    {
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void ClearSubItems(int row) override { rows.at(static_cast<std::size_t>(row)).clear(); }
    void AppendSubItem(int row, const std::string& text) override
    {
        rows.at(static_cast<std::size_t>(row)).push_back(text);
    }
    std::vector<std::string> SubItems(int row) const override { return rows.at(static_cast<std::size_t>(row)); }

    std::vector<std::vector<std::string>> rows;
};

class MemoryEdit : public ChangeNotifyingEdit {
public:
    explicit MemoryEdit(std::string initial = {})
        : text_(std::move(initial))
    {
    }
    std::string Text() const override { return text_; }

protected:
    void StoreText(const std::string& text) override { text_ = text; }

private:
    std::string text_;
};

class MemoryButton : public IButton {
public:
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool value) override { enabled = value; }
    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& text) override { caption = text; }
    bool enabled = true;
    std::string caption;
};

class MemoryCheckBox : public ICheckBox {
public:
    bool Checked() const override { return checked; }
    void SetChecked(bool value) override { checked = value; }
    // What a user does: a click, which fires OnChange.
    void UserClick()
    {
        checked = !checked;
        if (OnChange)
            OnChange();
    }
    bool checked = false;
    std::function<void()> OnChange;
};

class MemoryNumberEdit : public INumberEdit {
public:
    int Value() const override { return value; }
    void SetValue(int v) override { value = std::clamp(v, minimum, maximum); }
    int Maximum() const override { return maximum; }
    void SetRange(int low, int high) override
    {
        minimum = low;
        maximum = high;
        SetValue(value);
    }
    // The user types a value: the change event follows.
    void UserSets(int v)
    {
        SetValue(v);
        if (OnChange)
            Dispatch(OnChange);
    }
    std::function<void()> OnChange;
    int value = 1, minimum = 1, maximum = 1;
};

class MemorySelector : public ISelector {
public:
    explicit MemorySelector(int tag)
        : tag_(tag)
    {
    }
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int index) override;
    void ClearItems() override;
    void AppendItem(const std::string& name) override { items_.push_back(name); }
    int ItemCount() const override { return static_cast<int>(items_.size()); }
    std::string Item(int index) const override { return items_.at(static_cast<std::size_t>(index)); }
    std::string Text() const override { return text_; }
    int Tag() const override { return tag_; }

    // What a user does: pick an entry from the list, or type a text (no completion
    // here: an exact name, letter case ignored, selects that entry). Both fire OnChange.
    void UserPick(int index);
    void UserType(const std::string& text);
    std::function<void()> OnChange;
    const std::vector<std::string>& Items() const { return items_; }

private:
    int tag_;
    int index_ = -1;
    std::string text_;
    std::vector<std::string> items_;
};

class MemoryBatchDisplay : public IBatchDisplay {
public:
    void Show(int p, const std::string& t) override
    {
        shown = true;
        percent = p;
        text = t;
    }
    void Clear() override
    {
        shown = false;
        percent = 0;
        text.clear();
    }
    void NotifyIfAway(const std::string& t) override
    {
        if (away)
            notifications.push_back(t);
    }
    void SetPaused(bool p) override { paused = p; }
    bool paused = false;
    bool shown = false;
    int percent = 0;
    std::string text;
    bool away = false; // the window is hidden or not active
    std::vector<std::string> notifications;
};

class MemoryTrayIcon : public ITrayIcon {
public:
    int ImageIndex() const override { return image; }
    void SetImageIndex(int index) override { image = index; }
    void RestoreApplication() override { ++restores; }
    int image = 15;
    int restores = 0;
};

// Answers queued in advance; nothing queued means the user cancels.
class MemoryOpenDialog : public IOpenDialog {
public:
    std::optional<std::string> Execute() override;
    // Several files picked at once are answered from `picks` first.
    std::vector<std::string> ExecuteMany() override;
    std::deque<std::optional<std::string>> answers;
    std::deque<std::vector<std::string>> picks;
    int shown = 0;
};

class MemoryDesktop : public IDesktop {
public:
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    bool Open(const std::string& target) override
    {
        opened.push_back(target);
        return true;
    }
    void ShowMessage(const std::string& caption, const std::string& text) override
    {
        messages.emplace_back(caption, text);
    }
    // Answered from `textAnswers` and `fileAnswers`; nothing queued means the user cancels.
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt) override;
    std::optional<std::string> ChooseFile(
        const std::string& title, bool forWriting, const std::string& suggestedName) override;

    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<std::optional<std::string>> textAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    // The file choosers' suggested names, in order ("" for one that reads).
    std::vector<std::string> suggestedFiles;
    std::vector<std::string> chooserTitles;
    std::vector<std::string> opened;
    std::vector<std::pair<std::string, std::string>> messages;
};

// The main window with in-memory controls, the real runner and timer on a plain loop,
// and its events routed to the real handlers through Dispatch.
class MemoryMainWindow;
// Gives the job of encoder `slot` the model's `row`, as its start would, without
// running an encoder: its lines then belong to that row.
void GiveJob(MemoryMainWindow& window, std::size_t slot, int row);

class MemoryMainWindow : public IMainWindow {
public:
    explicit MemoryMainWindow(PlainEventLoop& loop);
    ~MemoryMainWindow() override;

    IFileList& FileListView() override { return fileList; }
    IDetailsPanel& MsgListView() override { return details; }
    IButton& AddFileBtn() override { return addFileBtn; }
    IButton& DelFileBtn() override { return delFileBtn; }
    IButton& ClearFileBtn() override { return clearFileBtn; }
    IButton& ConvFileBtn() override { return convFileBtn; }
    IButton& StopConvBtn() override { return stopConvBtn; }
    IButton& PauseButton() override { return pauseButton; }
    IButton& PlayBtn() override { return playBtn; }
    IEdit& JvEditDir() override { return jvEditDir; }
    IEdit& JvEditNumb() override { return jvEditNumb; }
    IEdit& JvEditCmdMsg() override { return jvEditCmdMsg; }
    ICheckBox& JvCheckBox() override { return checkBox; }
    BatchEngine& Engine() override { return graph.Engine(); }
    INumberEdit& FilesAtOnceSpin() override { return filesAtOnceSpin; }
    ISelector& ExistingOutputsCombo() override { return existingOutputsCombo; }
    ICheckBox& KeepDateCheck() override { return keepDateCheck; }
    ISelector& SizeLimitCombo() override { return sizeLimitCombo; }
    ICheckBox& CutToFitCheck() override { return cutToFitCheck; }
    ISelector& MadeForCombo() override { return madeForCombo; }
    IBatchDisplay& BatchDisplay() override { return batchDisplay; }
    FileAdder& Adder() override { return adder; }
    ITimer& JvTimer() override { return timer; }
    ITrayIcon& JvTrayIcon() override { return trayIcon; }
    IOpenDialog& OpenDialog1() override { return openDialog; }
    IDesktop& Desktop() override { return desktop; }
    ISleepInhibitor& SleepInhibitor() override { return sleepInhibitor; }
    ILoginManager& LoginManager() override { return loginManager; }
    std::unique_ptr<IMplayerWindow> CreateMplayerFrm() override;
    ISelector* FindSelector(const std::string& componentName) override;
    void Close() override;
    void QuitRequest() override { ++quitRequests; }
    void EncoderEnded(bool anyBusy) override { handlers.EncoderEnded(anyBusy); }

    // Runs a window event the way the toolkit would: through Dispatch.
    void Event(const std::function<void(TFFmpegFrmHandlers&)>& handler);
    MemorySelector& Vdo(int n) { return *video[static_cast<std::size_t>(n - 1)]; }
    MemorySelector& Ado(int n) { return *audio[static_cast<std::size_t>(n - 1)]; }

    PlainEventLoop& loop;
    TFFmpegFrmHandlers handlers;
    MemoryFileList fileList;
    MemoryDetailsPanel details;
    MemoryButton addFileBtn, delFileBtn, clearFileBtn, convFileBtn, stopConvBtn, pauseButton, playBtn;
    MemoryEdit jvEditDir, jvEditNumb { "-1" }, jvEditCmdMsg;
    MemoryCheckBox checkBox;
    // The batch engine, built as the program builds it; the window is its view.
    ProgramGraph graph;
    TJvCreateProcess& runner; // the encoder of slot 0
    EncoderPool& encoders;
    BatchModel& batch;
    MemoryNumberEdit filesAtOnceSpin;
    MemorySelector existingOutputsCombo { 0 };
    MemoryCheckBox keepDateCheck;
    MemorySelector sizeLimitCombo { 0 };
    MemoryCheckBox cutToFitCheck;
    MemorySelector madeForCombo { 0 };
    MemoryBatchDisplay batchDisplay;
    FileAdder adder { loop, 2 };
    TJvTimer timer;
    MemoryTrayIcon trayIcon;
    MemoryOpenDialog openDialog;
    MemoryDesktop desktop;
    MemoryLoginManager loginManager;
    ondrevo::SleepInhibitor sleepInhibitor { loginManager };
    int quitRequests = 0;
    // Makes the mini player window for Play; unset: an in-memory one that is closed at once.
    std::function<std::unique_ptr<IMplayerWindow>()> createMplayerFrm;
    std::vector<std::unique_ptr<MemorySelector>> video, audio;
    bool closed = false;
};

// Collects the error reports shown while it lives.
class ErrorReports {
public:
    ErrorReports();
    ~ErrorReports();
    std::vector<std::string> messages;
    std::vector<std::string> captions;

private:
    ErrorReportSink previous_;
};

// The program after start-up: the data module on `databaseName` (resolved against the
// working directory) installed as SqlDatMod, its journal's health shown in the status
// line, and the in-memory main window as FFmpegFrm.
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

// The program on a copy of the shipped database in a temporary working directory, for a
// test's fixture; each Start() installs a fresh program on the file, as a restart does,
// and shows its window.
class ProgramOnShippedCopy {
public:
    ProgramOnShippedCopy() { CopyShippedDatabase(db); }
    Session& Start()
    {
        session_.reset();
        session_ = std::make_unique<Session>();
        session_->Show();
        return *session_;
    }

protected:
    TempDir dir_;
    WorkingDirectory cwd_ { dir_.Path() };
    const std::string db = "LibFFmpeg.Dat";
    ErrorReports reports;
    std::unique_ptr<Session> session_;
};

} // namespace ondrevo::testing
