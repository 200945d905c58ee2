#pragma once
// The error report as the user sees it: a modal box with the report text, the
// application's title as its caption, one OK button and the error icon. The window
// layer installs the box; until then reports go to standard error.

#include <functional>
#include <string>

namespace ondrevo {

using ErrorReportSink = std::function<void(const std::string& caption, const std::string& message)>;

// Installs the sink that shows every report from now on and returns the previous one.
ErrorReportSink SetErrorReportSink(ErrorReportSink sink);

// The application title, caption of every error report.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

} // namespace ondrevo
