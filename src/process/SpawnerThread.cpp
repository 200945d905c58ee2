#include "process/SpawnerThread.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <mutex>
#include <pthread.h>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace ondrevo {
namespace {

// The child's own stack (see StartChildExec): ample for a few system calls, with an
// inaccessible page below it, so that an overflow faults instead of writing elsewhere.
constexpr std::size_t kChildStackSize = 64 * 1024;

class Spawner {
public:
    Spawner()
    {
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        void* region = ::mmap(
            nullptr, page + kChildStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (region == MAP_FAILED)
            throw std::system_error(errno, std::generic_category());
        ::mprotect(region, page, PROT_NONE);
        stack_ = static_cast<std::byte*>(region) + page;
        try {
            std::thread(&Spawner::Serve, this).detach();
        } catch (...) {
            ::munmap(region, page + kChildStackSize);
            throw;
        }
    }

    pid_t Start(const ChildExec& exec, int& error)
    {
        const std::lock_guard caller(callers_); // one request at a time
        Request request { &exec };
        std::unique_lock lock(mutex_);
        request_ = &request;
        lock.unlock();
        requested_.notify_one();
        lock.lock();
        served_.wait(lock, [&request] { return request.served; });
        error = request.error;
        return request.pid;
    }

private:
    struct Request {
        const ChildExec* exec;
        pid_t pid = -1;
        int error = 0;
        bool served = false;
    };

    [[noreturn]] void Serve() noexcept
    {
        // No handler of ours may run on this thread, nor in a child while it shares our
        // memory; the child starts with this mask and clears it just before the exec.
        sigset_t all;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, nullptr);
        for (;;) {
            std::unique_lock lock(mutex_);
            requested_.wait(lock, [this] { return request_ != nullptr; });
            Request& request = *std::exchange(request_, nullptr);
            lock.unlock();
            int error = 0;
            const pid_t pid = StartChildExec(*request.exec, stack_, kChildStackSize, error);
            lock.lock();
            request.pid = pid;
            request.error = error;
            request.served = true;
            lock.unlock(); // from here the request may be gone; served_ lives on
            served_.notify_one();
        }
    }

    std::mutex callers_;
    std::mutex mutex_;
    std::condition_variable requested_, served_;
    Request* request_ = nullptr;
    std::byte* stack_ = nullptr;
};

// The spawner of this process. A child of fork() finds it here but not its thread, and
// its lock in whatever state the fork caught it: fork holds the lock, and the child
// forgets the spawner and makes its own.
std::mutex instanceMutex;
Spawner* instance = nullptr;

void LockInstance()
{
    instanceMutex.lock();
}

void UnlockInstance()
{
    instanceMutex.unlock();
}

void ForgetInstanceInChild()
{
    instance = nullptr;
    instanceMutex.unlock();
}

Spawner& Instance()
{
    // Registered before the lock is taken: fork() holds the C library's own lock while it
    // runs these handlers.
    static const int registered = ::pthread_atfork(LockInstance, UnlockInstance, ForgetInstanceInChild);
    (void)registered;
    const std::lock_guard lock(instanceMutex);
    // Never deleted: its thread waits on it until the process ends, and exit() does not
    // stop that thread.
    if (!instance)
        instance = new Spawner;
    return *instance;
}

} // namespace

pid_t SpawnerThread::Start(const ChildExec& exec, int& error)
{
    return Instance().Start(exec, error);
}

} // namespace ondrevo
