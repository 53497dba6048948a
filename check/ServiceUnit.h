#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace check {

// What the systemd unit olvarin.service says of the runs it starts, as far as
// the set-up check needs it to check the way those runs read files and open
// databases. Read from the unit file and its drop-ins ("<unit>.d/*.conf" beside
// it and in /etc/systemd/system/olvarin.service.d/), later lines overriding
// earlier ones as systemd takes them.
struct ServiceUnit {
    std::string file;     // the unit file read
    std::string program;  // ExecStart's program, as the unit names it
    std::string user;     // User=, empty for root
    std::string group;    // Group=, empty for the user's own group
    // "NAME=value" of Environment= and then of EnvironmentFile=, in the order
    // systemd applies them (a later one of a name wins).
    std::vector<std::string> environment;
    std::vector<std::string> runtimeDirectories;  // RuntimeDirectory=, full paths under /run
    mode_t runtimeDirectoryMode = 0755;
};

// The unit as systemd finds it: the file OLVARIN_SERVICE_UNIT names when set (a
// unit of a test's own), else olvarin.service in /etc/systemd/system,
// /lib/systemd/system or /usr/lib/systemd/system, the first that exists.
// nullopt when there is none.
std::optional<ServiceUnit> findServiceUnit();

// Reads one unit file and its drop-ins.
ServiceUnit readServiceUnit(const std::string& file);

}  // namespace check
