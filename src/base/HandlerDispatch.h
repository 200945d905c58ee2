#pragma once
// Where events are dispatched, errors that escape their handlers are caught and shown
// in the error report; the program then goes on. The report's text is the error's
// message with a "." appended when its last character sorts after ".". How the report
// is shown (a message box captioned with the application's title) is the application's
// business: it installs a sink here (see app/ErrorReport.h).

#include <exception>
#include <functional>
#include <string>

namespace ondrevo {

// Shows one report text. The default writes it to standard error.
using ReportTextSink = std::function<void(const std::string& text)>;

// Installs the sink and returns the previous one. UI thread.
ReportTextSink SetReportTextSink(ReportTextSink sink);

// The text of the report for a message.
std::string ErrorReportText(const std::string& message);

// Shows the report for an error that escaped a handler. Never throws.
void ReportHandlerError(std::exception_ptr error) noexcept;

// Runs one handler; an error escaping it is reported and does not propagate.
void Dispatch(const std::function<void()>& handler) noexcept;

} // namespace ondrevo
