#include "MockLoginManager.h"

#include "support/Command.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <systemd/sd-bus.h>

extern char** environ;

namespace ondrevo::testing {
namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kMockInterface = "org.freedesktop.DBus.Mock";
constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
// Python with the distribution's dbus modules, not whichever python3 comes first in PATH.
constexpr const char* kPython = "/usr/bin/python3";

void Check(int r, const std::string& what)
{
    if (r < 0)
        throw std::runtime_error(what + ": " + std::strerror(-r));
}

struct Call {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    ~Call()
    {
        sd_bus_error_free(&error);
        sd_bus_message_unref(reply);
    }
    void Check(int r, const std::string& what) const
    {
        if (r < 0)
            throw std::runtime_error(what + ": " + (error.message ? error.message : std::strerror(-r)));
    }
};

} // namespace

MockLoginManager::MockLoginManager(const std::string& canPowerOff)
{
    try {
        Begin(canPowerOff);
    } catch (...) {
        End();
        throw;
    }
}

MockLoginManager::~MockLoginManager()
{
    End();
}

void MockLoginManager::Begin(const std::string& canPowerOff)
{
    address_ = "unix:path=" + dir_.File("bus");
    std::ofstream(dir_.File("bus.conf"))
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
           "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>"
        << address_
        << "</listen><auth>EXTERNAL</auth>"
           "<policy context=\"default\"><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n";
    daemon_ = Start(
        { kDaemon, "--nofork", "--nopidfile", "--config-file=" + dir_.File("bus.conf") }, dir_.File("daemon.log"), "");

    const bool connected = WaitUntil([&] {
        sd_bus* bus = nullptr;
        if (sd_bus_new(&bus) < 0)
            return false;
        if (sd_bus_set_address(bus, address_.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0
            || sd_bus_start(bus) < 0) {
            sd_bus_unref(bus);
            return false;
        }
        client_ = bus;
        return true;
    });
    if (!connected)
        throw std::runtime_error("The private bus did not come up: " + FileBytes(dir_.File("daemon.log")));

    // The logind template lives on the system bus; here that is the private one.
    mock_ = Start({ kPython, "-m", "dbusmock", "--template", "logind", "--parameters",
                      "{\"CanPowerOff\": \"" + canPowerOff + "\"}" },
        dir_.File("mock.log"), address_);

    // The template's properties are set last, so they tell that its methods are there.
    const bool ready = WaitUntil([&] {
        int status = 0;
        if (waitpid(mock_, &status, WNOHANG) == mock_) {
            mock_ = -1;
            return true;
        }
        Call call;
        char* answer = nullptr;
        const int r = sd_bus_get_property_string(
            client_, kService, kPath, "org.freedesktop.login1.Manager", "IdleAction", &call.error, &answer);
        std::free(answer);
        return r >= 0;
    });
    if (!ready || mock_ < 0)
        throw std::runtime_error("The mocked login manager did not come up: " + FileBytes(dir_.File("mock.log")));
}

void MockLoginManager::End()
{
    if (client_)
        sd_bus_close_unref(client_);
    client_ = nullptr;
    Stop(mock_);
    Stop(daemon_);
}

pid_t MockLoginManager::Start(
    const std::vector<std::string>& argv, const std::string& log, const std::string& systemBus)
{
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DBUS_SYSTEM_BUS_ADDRESS=", 24) != 0)
            environment.emplace_back(*e);
    }
    if (!systemBus.empty())
        environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + systemBus);
    // Ends with the test process, even when that one crashes.
    std::vector<std::string> command = { "setpriv", "--pdeathsig", "TERM", "--" };
    command.insert(command.end(), argv.begin(), argv.end());
    const pid_t pid = StartCommand(command, log, &environment);
    Check(pid < 0 ? -ECHILD : 0, "start " + argv.front());
    return pid;
}

void MockLoginManager::Stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    WaitCommand(pid);
    pid = -1;
}

std::vector<std::string> MockLoginManager::Calls()
{
    Call call;
    call.Check(sd_bus_call_method(client_, kService, kPath, kMockInterface, "GetCalls", &call.error, &call.reply, ""),
        "GetCalls");
    sd_bus_message* m = call.reply;
    std::vector<std::string> calls;
    Check(sd_bus_message_enter_container(m, 'a', "(tsav)"), "GetCalls reply");
    int r;
    while ((r = sd_bus_message_enter_container(m, 'r', "tsav")) > 0) {
        uint64_t time = 0;
        const char* method = nullptr;
        Check(sd_bus_message_read(m, "ts", &time, &method), "GetCalls entry");
        std::string text = method;
        Check(sd_bus_message_enter_container(m, 'a', "v"), "GetCalls arguments");
        while (!sd_bus_message_at_end(m, 0)) {
            char type = 0;
            const char* contents = nullptr;
            Check(sd_bus_message_peek_type(m, &type, &contents), "GetCalls argument");
            if (std::strcmp(contents, "b") == 0) {
                int value = 0;
                Check(sd_bus_message_read(m, "v", "b", &value), "GetCalls argument");
                text += value ? " true" : " false";
            } else {
                Check(sd_bus_message_skip(m, "v"), "GetCalls argument");
            }
        }
        Check(sd_bus_message_exit_container(m), "GetCalls arguments");
        Check(sd_bus_message_exit_container(m), "GetCalls entry");
        calls.push_back(text);
    }
    Check(r, "GetCalls entry");
    return calls;
}

void MockLoginManager::RefusePowerOff(const std::string& name, const std::string& message)
{
    const std::string code = "raise dbus.exceptions.DBusException('" + message + "', name='" + name + "')";
    Call call;
    call.Check(sd_bus_call_method(client_, kService, kPath, kMockInterface, "AddMethod", &call.error, nullptr, "sssss",
                   "org.freedesktop.login1.Manager", "PowerOff", "b", "", code.c_str()),
        "AddMethod");
}

std::vector<std::string> MockLoginManager::Inhibitors()
{
    Call call;
    call.Check(sd_bus_call_method(client_, kService, kPath, "org.freedesktop.login1.Manager", "ListInhibitors",
                   &call.error, &call.reply, ""),
        "ListInhibitors");
    std::vector<std::string> locks;
    Check(sd_bus_message_enter_container(call.reply, 'a', "(ssssuu)"), "ListInhibitors reply");
    const char *what, *who, *why, *mode;
    uint32_t uid, pid;
    int r;
    while ((r = sd_bus_message_read(call.reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid)) > 0)
        locks.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
    Check(r, "ListInhibitors entry");
    return locks;
}

} // namespace ondrevo::testing
