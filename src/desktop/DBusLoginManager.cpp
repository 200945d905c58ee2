#include "desktop/DBusLoginManager.h"

#include "base/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <utility>

namespace ondrevo {
namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSystemBusSocket = "unix:path=/run/dbus/system_bus_socket";

struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Reply = std::unique_ptr<sd_bus_message, MessageUnref>;

// Frees an sd_bus_error when it goes out of scope.
struct ScopedError {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~ScopedError() { sd_bus_error_free(&error); }
};

[[noreturn]] void RaiseErrno(const std::string& what, int negativeErrno)
{
    throw Exception(what + ": " + std::strerror(-negativeErrno));
}

// "<error name>: <error message>", as the bus or the manager reported it.
[[noreturn]] void RaiseBusError(const sd_bus_error& error, int negativeErrno)
{
    if (!sd_bus_error_is_set(&error))
        RaiseErrno("The login manager failed", negativeErrno);
    std::string text = error.name;
    if (error.message && *error.message)
        text += std::string(": ") + error.message;
    throw Exception(text);
}

template <typename... Args> Reply CallManager(sd_bus* bus, const char* method, const char* types, Args... args)
{
    ScopedError error;
    sd_bus_message* reply = nullptr;
    // Timeout 0 stands for the connection's method call timeout, set at Connect.
    const int r = sd_bus_call_method(bus, kService, kPath, kManager, method, &error.error, &reply, types, args...);
    if (r < 0)
        RaiseBusError(error.error, r);
    return Reply(reply);
}

std::uint64_t Microseconds(std::chrono::steady_clock::duration d)
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
}

} // namespace

void DBusLoginManager::BusUnref::operator()(sd_bus* bus) const
{
    // Closes without flushing: flushing could wait on a hung peer.
    sd_bus_close_unref(bus);
}

DBusLoginManager::DBusLoginManager(std::string address, std::chrono::milliseconds timeout)
    : address_(std::move(address))
    , timeout_(timeout)
{
}

DBusLoginManager::~DBusLoginManager() = default;

void DBusLoginManager::Connect()
{
    if (bus_) {
        // Reads what came in meanwhile without waiting: this drops messages nobody asked
        // for and notices a connection that the bus has closed (restarted, say).
        while (sd_bus_process(bus_.get(), nullptr) > 0) { }
        if (sd_bus_is_open(bus_.get()) > 0)
            return;
        bus_.reset();
    }

    std::string address = address_;
    if (address.empty()) {
        const char* fromEnvironment = secure_getenv("DBUS_SYSTEM_BUS_ADDRESS");
        address = fromEnvironment && *fromEnvironment ? fromEnvironment : kSystemBusSocket;
    }
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    if (r < 0)
        RaiseErrno("Cannot create a D-Bus connection", r);
    std::unique_ptr<sd_bus, BusUnref> bus(raw);
    const std::string unreachable = "The login manager cannot be reached at " + address;
    if ((r = sd_bus_set_address(bus.get(), address.c_str())) < 0 || (r = sd_bus_set_bus_client(bus.get(), 1)) < 0
        || (r = sd_bus_negotiate_fds(bus.get(), 1)) < 0
        || (r = sd_bus_set_method_call_timeout(bus.get(), Microseconds(timeout_))) < 0
        || (r = sd_bus_start(bus.get())) < 0)
        RaiseErrno(unreachable, r);
    WaitUntilReady(bus.get());
    bus_ = std::move(bus);
}

// sd_bus_start only begins the handshake; sd-bus would otherwise finish it inside the
// first call with a limit of its own (long). Here it is finished within our timeout.
void DBusLoginManager::WaitUntilReady(sd_bus* bus) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    for (;;) {
        int r = sd_bus_is_ready(bus);
        if (r > 0)
            return;
        if (r < 0)
            RaiseErrno("The login manager cannot be reached", r);
        r = sd_bus_process(bus, nullptr);
        if (r < 0)
            RaiseErrno("The login manager cannot be reached", r);
        if (r > 0)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            RaiseErrno("The login manager cannot be reached", -ETIMEDOUT);
        r = sd_bus_wait(bus, Microseconds(deadline - now));
        if (r < 0 && r != -EINTR)
            RaiseErrno("The login manager cannot be reached", r);
    }
}

sd_bus* DBusLoginManager::Bus() const
{
    if (!bus_)
        throw Exception("The login manager is not connected");
    return bus_.get();
}

std::string DBusLoginManager::CanPowerOff()
{
    Reply reply = CallManager(Bus(), "CanPowerOff", "");
    const char* answer = nullptr;
    const int r = sd_bus_message_read(reply.get(), "s", &answer);
    if (r < 0)
        RaiseErrno("The login manager's answer to CanPowerOff cannot be read", r);
    return answer;
}

void DBusLoginManager::PowerOff()
{
    CallManager(Bus(), "PowerOff", "b", 0);
}

UniqueFd DBusLoginManager::Inhibit(
    const std::string& what, const std::string& who, const std::string& why, const std::string& mode)
{
    Reply reply = CallManager(Bus(), "Inhibit", "ssss", what.c_str(), who.c_str(), why.c_str(), mode.c_str());
    int fd = -1;
    const int r = sd_bus_message_read(reply.get(), "h", &fd);
    if (r < 0)
        RaiseErrno("The login manager's inhibitor lock cannot be read", r);
    // The reply owns `fd` and closes it with the message.
    const int own = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (own < 0)
        RaiseErrno("The login manager's inhibitor lock cannot be kept", -errno);
    return UniqueFd(own);
}

} // namespace ondrevo
