#include "support/MemoryMainWindow.h"

#include "app/TFFmpegFunc.h"
#include "support/MemoryPlayer.h"

namespace ondrevo::testing {

MemoryMainWindow::MemoryMainWindow(PlainEventLoop& eventLoop)
    : loop(eventLoop)
    , handlers(eventLoop)
    , runner(eventLoop)
    , encoders(runner,
          [this](std::size_t slot) {
              auto made = std::make_unique<TJvCreateProcess>(loop);
              handlers.WireEncoder(*made, slot);
              return made;
          })
    , timer(eventLoop)
{
    for (int n = 1; n <= 5; ++n) {
        video.push_back(std::make_unique<MemorySelector>(n));
        video.back()->OnChange = [this, n] { handlers.JvCmbVdoChange(n); };
    }
    for (int n = 1; n <= 4; ++n) {
        audio.push_back(std::make_unique<MemorySelector>(5 + n));
        if (n == 1)
            audio.back()->OnChange = [this] { handlers.JvCmbAdo1Change(); };
        else
            audio.back()->OnChange = [this, n] { handlers.JvCmbAdoChange(n); };
    }
    runner.SetConsoleOptions(coOwnerData | coRedirect);
    handlers.WireNonVisualEvents(jvEditNumb, runner, timer);
    spinAtOnce.OnChange = [this] { handlers.JvSpinAtOnceChange(); };
    FFmpegFrm = this;
}

MemoryMainWindow::~MemoryMainWindow()
{
    if (FFmpegFrm == this)
        FFmpegFrm = nullptr;
}

std::unique_ptr<IMplayerWindow> MemoryMainWindow::CreateMplayerFrm()
{
    if (createMplayerFrm)
        return createMplayerFrm();
    return std::make_unique<MemoryMplayerWindow>(loop);
}

ISelector* MemoryMainWindow::FindSelector(const std::string& componentName)
{
    for (int n = 1; n <= 5; ++n)
        if (componentName == "JvCmbVdo" + std::to_string(n))
            return video[static_cast<std::size_t>(n - 1)].get();
    for (int n = 1; n <= 4; ++n)
        if (componentName == "JvCmbAdo" + std::to_string(n))
            return audio[static_cast<std::size_t>(n - 1)].get();
    return nullptr;
}

void MemoryMainWindow::Close()
{
    closed = true;
    handlers.CloseMainWindow();
}

void MemoryMainWindow::Event(const std::function<void(TFFmpegFrmHandlers&)>& handler)
{
    Dispatch([&] { handler(handlers); });
}

ErrorReports::ErrorReports()
{
    previous_ = SetErrorReportSink([this](const std::string& caption, const std::string& message) {
        captions.push_back(caption);
        messages.push_back(message);
    });
}

ErrorReports::~ErrorReports()
{
    SetErrorReportSink(std::move(previous_));
}

Session::Session(const std::string& databaseName)
    : dataModule(databaseName)
    , window(loop)
{
    SqlDatMod = &dataModule;
}

Session::~Session()
{
    if (SqlDatMod == &dataModule)
        SqlDatMod = nullptr;
}

void Session::Show()
{
    Event([](TFFmpegFrmHandlers& handlers) { handlers.FormShow(); });
}

std::string Session::Fragment(int n)
{
    TFFmpegFunc func;
    return func.SelectorFragment(Selector(n));
}

} // namespace ondrevo::testing
