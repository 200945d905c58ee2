#pragma once
// The start-up sequence: set the application title, create the data module (which
// opens the parameter database) and have its list journal's health shown in the status
// line (ShowJournalHealth), create and show the main window, run the event loop
// until a quit request, then destroy the window, record the normal end in the file
// list's journal (unless the list is to be kept) and destroy the data module. An error
// while the data module or the window is created is not caught by the error report: it
// is shown as an "Application Error" naming the error's class, and the program exits 1;
// when the settings file cannot be opened, the box names it and says what to do.

#include "base/EventLoop.h"

#include <functional>
#include <memory>
#include <string>

namespace ondrevo {

class TSqlDatMod;

struct StartupEnvironment {
    IEventLoop* loop = nullptr;
    // Creates the data module; the default opens "LibFFmpeg.Dat" in the working directory.
    std::function<std::unique_ptr<TSqlDatMod>()> createDataModule;
    // Creates and shows the main window; the returned object keeps it alive while the loop runs.
    std::function<std::shared_ptr<void>()> createMainWindow;
    // Shows the "Application Error" box.
    std::function<void(const std::string& className, const std::string& message)> showApplicationError;
    // Whether the list is to come back at the next start although the loop ended: the
    // system, not the user, asked the program to end. Unset means no.
    std::function<bool()> keepList;
};

// Returns the program's exit status.
int RunStartup(StartupEnvironment environment);

// The text of the "Application Error" box for an error of the given class.
std::string ApplicationErrorText(const std::string& className, const std::string& message);

} // namespace ondrevo
