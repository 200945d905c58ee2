#pragma once
// What the logic needs of the window's controls. The logic reaches the controls only
// through these interfaces, so it runs without a windowing toolkit: the Qt widgets
// implement them for the program, in-memory controls implement them for tests.
// Texts are 8-bit (UTF-8) strings; indices count from 0.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

// The source file list: rows with a caption, an image index and four sub-items.
// Reading or writing a row or sub-item that does not exist raises an error.
class IFileList {
public:
    virtual ~IFileList() = default;
    virtual int RowCount() const = 0;
    virtual void AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems) = 0;
    virtual std::string Caption(int row) const = 0;
    virtual int ImageIndex(int row) const = 0;
    virtual void SetImageIndex(int row, int imageIndex) = 0;
    virtual std::string SubItem(int row, int k) const = 0;
    virtual void SetSubItem(int row, int k, const std::string& text) = 0;
    // The row's hint (a tooltip over the row), empty when it has none.
    virtual std::string RowHint(int row) const = 0;
    virtual void SetRowHint(int row, const std::string& hint) = 0;
    // The selected row, or -1 when none is selected.
    virtual int Selected() const = 0;
    // Every selected row, in list order.
    virtual std::vector<int> SelectedRows() const
    {
        const int row = Selected();
        return row < 0 ? std::vector<int> {} : std::vector<int> { row };
    }
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
};

// The details panel: fixed rows whose sub-items the logic clears and appends.
class IDetailsPanel {
public:
    virtual ~IDetailsPanel() = default;
    virtual int RowCount() const = 0;
    virtual void ClearSubItems(int row) = 0;
    virtual void AppendSubItem(int row, const std::string& text) = 0;
    virtual std::vector<std::string> SubItems(int row) const = 0;
};

// An edit box. Setting a text different from the current one fires the change event
// synchronously, before the setter returns; an error escaping the change handler is
// shown by the error report and the setter returns normally. Setting the text it
// already holds does nothing.
class IEdit {
public:
    virtual ~IEdit() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

// Implements the change-event rule once for every kind of edit; a subclass keeps the
// text where it is shown.
class ChangeNotifyingEdit : public IEdit {
public:
    std::function<void()> OnChange;
    void SetText(const std::string& text) final;

protected:
    virtual void StoreText(const std::string& text) = 0;
};

class IButton {
public:
    virtual ~IButton() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    // The button's text, which is also its accessible name.
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
};

class ICheckBox {
public:
    virtual ~ICheckBox() = default;
    virtual bool Checked() const = 0;
    // Setting it from the program raises no change event; only the user's clicks do.
    virtual void SetChecked(bool checked) = 0;
};

// An editable drop-down list. Clearing, appending and selecting from the program raise
// no change event; only the user's picks and edits do.
class ISelector {
public:
    virtual ~ISelector() = default;
    // The selected entry's position, or -1 when none is selected.
    virtual int ItemIndex() const = 0;
    // A position outside the list selects nothing.
    virtual void SetItemIndex(int index) = 0;
    virtual void ClearItems() = 0;
    virtual void AppendItem(const std::string& name) = 0;
    virtual int ItemCount() const = 0;
    virtual std::string Item(int index) const = 0;
    virtual std::string Text() const = 0;
    virtual int Tag() const = 0;
};

// A field for a whole number within a range. Setting the value or the range from the
// program raises no change event; only the user's edits do.
class INumberEdit {
public:
    virtual ~INumberEdit() = default;
    virtual int Value() const = 0;
    // A value outside the range is brought into it.
    virtual void SetValue(int value) = 0;
    virtual int Maximum() const = 0;
    virtual void SetRange(int minimum, int maximum) = 0;
};

// The whole batch at a glance: a progress bar with a text in the status bar, the
// percentage in the window's title and the tray icon's tooltip, and a desktop
// notification when a batch ends while the user looks elsewhere.
class IBatchDisplay {
public:
    virtual ~IBatchDisplay() = default;
    virtual void Show(int percent, const std::string& text) = 0;
    // Takes all of it away again.
    virtual void Clear() = 0;
    // The window's title and the tray icon's tooltip say whether the batch is paused.
    virtual void SetPaused(bool paused) = 0;
    // One notification, only when the window is hidden or not active.
    virtual void NotifyIfAway(const std::string& text) = 0;
};

// A text label.
class ILabel {
public:
    virtual ~ILabel() = default;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
};

// A position bar over the range 0..maximum, with a marker at the position.
class IPositionBar {
public:
    virtual ~IPositionBar() = default;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    virtual void SetMax(int max) = 0;
    virtual void SetPosition(int position) = 0;
};

// Implements the position bar's rules once for every kind of bar: a maximum not above
// 0 is ignored, and a maximum below the position moves the position to it; a position
// outside 0..maximum, or equal to the current one, is ignored. A subclass keeps the
// values where they are shown.
class CheckedPositionBar : public IPositionBar {
public:
    static constexpr int kDefaultMax = 100;
    void SetMax(int max) final;
    void SetPosition(int position) final;

protected:
    // `position` is already within 0..`max`.
    virtual void StoreRange(int max, int position) = 0;
};

class ITimer {
public:
    virtual ~ITimer() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

// Keeps the machine from suspending while held (during a conversion batch). Holding
// is best effort: when the desktop refuses, the batch runs all the same.
class ISleepInhibitor {
public:
    virtual ~ISleepInhibitor() = default;
    virtual bool Held() const = 0;
    virtual void SetHeld(bool held) = 0;
};

class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    virtual int ImageIndex() const = 0;
    virtual void SetImageIndex(int index) = 0;
    // Shows the main window again (after it was hidden to the notification area).
    virtual void RestoreApplication() = 0;
};

// The open-file dialog of Add: a chosen path, or nothing when cancelled.
class IOpenDialog {
public:
    virtual ~IOpenDialog() = default;
    virtual std::optional<std::string> Execute() = 0;
    // The same where several files may be picked at once: the chosen paths in the
    // dialog's order, none when cancelled.
    virtual std::vector<std::string> ExecuteMany()
    {
        std::optional<std::string> chosen = Execute();
        return chosen ? std::vector<std::string> { *chosen } : std::vector<std::string> {};
    }
};

// What the logic asks of the desktop: the folder chooser, the opener for folders and
// web pages, and the plain message box.
class IDesktop {
public:
    virtual ~IDesktop() = default;
    // A modal folder chooser with `title` above it: the chosen file-system folder, or
    // nothing when the user cancels.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    // Opens a folder in the file browser or a web address in the browser. Returns
    // whether the desktop accepted it.
    virtual bool Open(const std::string& target) = 0;
    // A modal message box with one OK button and no icon.
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
    // A modal box asking for one line of text under `prompt`: the text, or nothing when
    // the user cancels.
    virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt) = 0;
    // A modal file chooser with `title` above it, for a file to read or, `forWriting`, to
    // write (starting at `suggestedName`): the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(
        const std::string& title, bool forWriting, const std::string& suggestedName)
        = 0;
};

} // namespace ondrevo
