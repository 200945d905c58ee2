#include "app/HandlerDispatch.h"

#include <cstdio>

namespace ondrevo {
namespace {

ErrorReportSink& Sink()
{
    static ErrorReportSink sink = [](const std::string& caption, const std::string& message) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
    };
    return sink;
}

std::string& Title()
{
    static std::string title = "Ondrevo";
    return title;
}

} // namespace

ErrorReportSink SetErrorReportSink(ErrorReportSink sink)
{
    ErrorReportSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

const std::string& ApplicationTitle()
{
    return Title();
}

void SetApplicationTitle(std::string title)
{
    Title() = std::move(title);
}

std::string ErrorReportText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

void ReportHandlerError(std::exception_ptr error) noexcept
{
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    try {
        if (Sink())
            Sink()(ApplicationTitle(), ErrorReportText(message));
    } catch (...) {
        // A report that cannot be shown must not take the program down.
    }
}

void Dispatch(const std::function<void()>& handler) noexcept
{
    try {
        handler();
    } catch (...) {
        ReportHandlerError(std::current_exception());
    }
}

} // namespace ondrevo
