// Placeholder; replaced by the runner.
#include "process/TJvCreateProcess.h"
namespace ondrevo {
struct TJvCreateProcess::Impl {};
TJvCreateProcess::TJvCreateProcess(IEventLoop& loop) : loop_(loop) {}
TJvCreateProcess::~TJvCreateProcess() = default;
void TJvCreateProcess::SetCommandLine(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
std::string TJvCreateProcess::CommandLine() const { return {}; }
void TJvCreateProcess::Run() {}
bool TJvCreateProcess::Write(const std::string&) { return false; }
} // namespace ondrevo
