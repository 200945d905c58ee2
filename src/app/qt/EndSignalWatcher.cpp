#include "app/qt/EndSignalWatcher.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ondrevo {
namespace {

constexpr std::array kEndSignals { SIGTERM, SIGINT, SIGHUP };

// The pipe the handler writes to; one watcher per process.
int signalPipe[2] = { -1, -1 };

extern "C" void NoteEndSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a notice; nothing more is needed.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void SetDisposition(void (*handler)(int))
{
    struct sigaction action { };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

EndSignalWatcher::EndSignalWatcher(std::function<void()> asked)
    : asked_(std::move(asked))
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default: the program ends at once
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Arrived(); });
    SetDisposition(NoteEndSignal);
}

EndSignalWatcher::~EndSignalWatcher()
{
    if (!notifier_)
        return;
    SetDisposition(SIG_DFL);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void EndSignalWatcher::Arrived()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
    notifier_->setEnabled(false);
    // Asked once; whoever asks again does not want to wait.
    SetDisposition(SIG_DFL);
    if (asked_)
        asked_();
}

} // namespace ondrevo
