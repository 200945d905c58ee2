#include "app/ErrorReport.h"

#include "base/HandlerDispatch.h"

#include <cstdio>

namespace ondrevo {
namespace {

std::string& Title()
{
    static std::string title = "Ondrevo";
    return title;
}

ErrorReportSink& Sink()
{
    static ErrorReportSink sink = [](const std::string& caption, const std::string& message) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
    };
    return sink;
}

} // namespace

ErrorReportSink SetErrorReportSink(ErrorReportSink sink)
{
    ErrorReportSink previous = std::move(Sink());
    Sink() = std::move(sink);
    // The dispatch below every floor reports through the caption-less sink; this one
    // adds the title.
    SetReportTextSink([](const std::string& text) {
        if (Sink())
            Sink()(ApplicationTitle(), text);
    });
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

} // namespace ondrevo
