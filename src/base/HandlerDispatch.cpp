#include "base/HandlerDispatch.h"

#include <cstdio>

namespace ondrevo {
namespace {

ReportTextSink& Sink()
{
    static ReportTextSink sink = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    return sink;
}

} // namespace

ReportTextSink SetReportTextSink(ReportTextSink sink)
{
    ReportTextSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
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
            Sink()(ErrorReportText(message));
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
