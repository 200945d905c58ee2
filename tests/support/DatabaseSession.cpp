#include "support/DatabaseSession.h"

#include "app/TFFmpegFunc.h"

namespace ondrevo::testing {

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
