#pragma once
// The login manager (org.freedesktop.login1) reached over D-Bus with sd-bus. Connecting
// and every call are bounded by a timeout, so a hung manager or bus costs the window a
// few seconds at most instead of freezing it. Not thread-safe: UI thread only.

#include "desktop/LoginManager.h"

#include <chrono>
#include <memory>
#include <string>

struct sd_bus;

namespace ondrevo {

class DBusLoginManager : public ILoginManager {
public:
    // `address` is a D-Bus address such as "unix:path=/run/some/socket"; an empty one
    // means the system bus (DBUS_SYSTEM_BUS_ADDRESS when set, else its standard socket).
    // Nothing is opened until Connect.
    explicit DBusLoginManager(std::string address = {}, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~DBusLoginManager() override;
    DBusLoginManager(const DBusLoginManager&) = delete;
    DBusLoginManager& operator=(const DBusLoginManager&) = delete;

    // Opens the connection, or keeps the one already open. A connection that the bus
    // has closed is opened anew. Raises Exception when the bus cannot be reached in time.
    void Connect() override;
    // The calls below raise Exception with the D-Bus error's name and message when the
    // manager refuses, does not answer in time, or Connect has not succeeded.
    std::string CanPowerOff() override;
    // PowerOff(false): the manager must not ask the user anything.
    void PowerOff() override;
    // The lock's descriptor is duplicated close-on-exec, so that it outlives the reply
    // and children such as the encoder never hold it.
    UniqueFd Inhibit(
        const std::string& what, const std::string& who, const std::string& why, const std::string& mode) override;

private:
    struct BusUnref {
        void operator()(sd_bus* bus) const;
    };

    sd_bus* Bus() const;
    void WaitUntilReady(sd_bus* bus) const;

    std::string address_;
    std::chrono::milliseconds timeout_;
    std::unique_ptr<sd_bus, BusUnref> bus_;
};

} // namespace ondrevo
