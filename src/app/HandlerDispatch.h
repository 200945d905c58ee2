#pragma once
// Where events are dispatched, errors that escape their handlers are caught and shown
// in the error report: a modal box with the error's message (a "." appended when its
// last character sorts after "."), the application title as caption, one OK button and
// the error icon. The program then goes on.

#include <exception>
#include <functional>
#include <string>

namespace ondrevo {

// Shows one error report. The window layer installs a message box; the default
// writes the text to standard error.
using ErrorReportSink = std::function<void(const std::string& caption, const std::string& message)>;

// Installs the sink and returns the previous one.
ErrorReportSink SetErrorReportSink(ErrorReportSink sink);

// The application title, caption of every error report.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// The text of the report for a message.
std::string ErrorReportText(const std::string& message);

// Shows the report for an error that escaped a handler. Never throws.
void ReportHandlerError(std::exception_ptr error) noexcept;

// Runs one handler; an error escaping it is reported and does not propagate.
void Dispatch(const std::function<void()>& handler) noexcept;

} // namespace ondrevo
