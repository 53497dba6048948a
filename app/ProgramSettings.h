#pragma once

#include <string>

namespace app {

// One key of the program's per-user settings (organisation and application
// "olvarin": $XDG_CONFIG_HOME/olvarin/olvarin.conf, then the system-wide
// /etc/xdg/olvarin/olvarin.conf), trimmed; empty when the key is absent. The file
// is read at every call, so a changed setting counts from the next call on.
std::string programSetting(const char* key);

}  // namespace app
