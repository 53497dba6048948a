#include "check/RegistryCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "base/Platform.h"
#include "base/Text.h"
#include "db/DriverModule.h"
#include "db/IniFile.h"

namespace check {
namespace {

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string whereFrom(bool fromSettings, const char* settingsKey) {
    return fromSettings ? std::string("the per-user setting \"") + settingsKey + "\" names it"
                        : std::string("the default, beside olvarin");
}

// Loads an INI file with one line about it; nullopt when it cannot be read.
std::optional<db::IniFile> loadRegistryFile(const std::string& label, const std::string& path,
                                            bool fromSettings, const char* settingsKey,
                                            CheckReport& report) {
    const std::string subject = label + " " + path;
    if (reportUnreadable(subject, path, report)) return std::nullopt;
    std::optional<db::IniFile> ini;
    if (isRegularFile(path)) ini = db::IniFile::load(path);
    if (!ini) {
        report.fail(subject, "not found (" + whereFrom(fromSettings, settingsKey) + ")",
                    fromSettings ? std::string("put the file there or correct the setting in "
                                               "~/.config/olvarin/olvarin.conf")
                                 : std::string("put it beside olvarin, or name its place with \"") +
                                       settingsKey + "\" in ~/.config/olvarin/olvarin.conf");
        return std::nullopt;
    }
    report.ok(subject, whereFrom(fromSettings, settingsKey));
    return ini;
}

std::string keyOf(const db::IniFile& ini, const std::string& section, const char* key) {
    return base::trimmed(ini.value(section, key).value_or(""));
}

// The section of one connection; its driver name when DriverName and Database are set.
std::optional<std::string> checkConnectionSection(const db::IniFile& connections,
                                                  const std::string& name, const std::string& path,
                                                  CheckReport& report) {
    const std::string subject = "connection " + name;
    const std::string in = " to [" + name + "] in " + path;
    if (connections.section(name).empty()) {
        report.fail(subject, "no [" + name + "] section in " + path,
                    "add it with DriverName, Database, User_Name and Password as the README's "
                    "\"Configure a branch\" shows");
        return std::nullopt;
    }
    const std::string driverName = keyOf(connections, name, "DriverName");
    const std::string database = keyOf(connections, name, "Database");
    if (driverName.empty()) {
        report.fail(subject, "no DriverName", "add DriverName=Interbase" + in);
        return std::nullopt;
    }
    if (database.empty()) {
        report.fail(subject, "no Database",
                    "add Database=host:/path/file.fdb (a server) or Database=/path/file.fdb "
                    "(embedded)" +
                        in);
        return std::nullopt;
    }
    report.ok(subject, "DriverName " + driverName + ", Database " + database);
    return driverName;
}

// One driver of the drivers file; true when the module and the client load.
bool checkDriver(const db::IniFile& drivers, const std::string& name, const std::string& path,
                 CheckReport& report) {
    const std::string subject = "driver " + name;
    const std::string in = " to [" + name + "] in " + path;
    if (drivers.section(name).empty()) {
        report.fail(subject, "no [" + name + "] section in " + path,
                    "add it with LibraryName=libdbxfb.so, GetDriverFunc=getSQLDriverINTERBASE and "
                    "VendorLib=libfbclient.so.2");
        return false;
    }
    const std::string libraryName = keyOf(drivers, name, "LibraryName");
    const std::string entryPoint = keyOf(drivers, name, "GetDriverFunc");
    const std::string vendorLib = keyOf(drivers, name, "VendorLib");
    if (libraryName.empty()) {
        report.fail(subject, "no LibraryName", "add LibraryName=libdbxfb.so" + in);
        return false;
    }
    if (vendorLib.empty()) {
        report.fail(subject, "no VendorLib", "add VendorLib=libfbclient.so.2" + in);
        return false;
    }
    const std::string modulePath = db::driverLibraryPath(libraryName);
    base::SharedLibrary module;
    if (!module.load(modulePath)) {
        report.fail(subject, "cannot load " + modulePath + ": " + module.lastError(),
                    "put libdbxfb.so beside olvarin, or give LibraryName its full path");
        return false;
    }
    const bool found = !entryPoint.empty() && module.symbol(entryPoint) != nullptr;
    if (!found) {
        report.fail(
            subject,
            entryPoint.empty() ? "no GetDriverFunc" : modulePath + " does not export " + entryPoint,
            "set GetDriverFunc=getSQLDriverINTERBASE in [" + name + "] of " + path);
        return false;
    }
    base::SharedLibrary client;
    if (!client.load(vendorLib)) {
        report.fail(subject,
                    "cannot load the Firebird client " + vendorLib + ": " + client.lastError(),
                    "install libfbclient2, or give VendorLib the client's full path");
        return false;
    }
    report.ok(subject, modulePath + " (" + entryPoint + "), client " + vendorLib);
    return true;
}

}  // namespace

bool reportUnreadable(const std::string& subject, const std::string& path, CheckReport& report) {
    const int error = base::openForReadingError(path);
    if (error == 0 || base::isMissingFileError(error)) return false;
    const std::string file = base::linkResolvedPath(path);
    const std::string user = base::effectiveUserName();
    report.fail(subject, file + " " + base::readRefusalText(error),
                "let the user " + user + " read " + file +
                    " and the folders on its way (the owner or the group " + user +
                    ", chmod u+r or g+r)");
    return true;
}

std::vector<bool> checkRegistry(const db::RegistryFiles& files,
                                const std::vector<std::string>& connectionNames,
                                CheckReport& report) {
    std::vector<bool> ready(connectionNames.size(), false);
    const std::string connectionsPath = db::connectionsFilePath(files);
    const auto connections =
        loadRegistryFile("connections file", connectionsPath, !files.connectionsFile.empty(),
                         "Connection Registry File", report);

    std::vector<std::optional<std::string>> driverOf(connectionNames.size());
    if (connections) {
        for (size_t i = 0; i < connectionNames.size(); ++i) {
            driverOf[i] =
                checkConnectionSection(*connections, connectionNames[i], connectionsPath, report);
        }
    }

    const std::string driversPath = db::driversFilePath(files);
    const auto drivers =
        loadRegistryFile("drivers file", driversPath, !db::driversFileSetting(files).empty(),
                         "Driver Registry File", report);
    if (!drivers) return ready;

    std::map<std::string, bool> driverPassed;
    for (size_t i = 0; i < connectionNames.size(); ++i) {
        if (!driverOf[i]) continue;
        auto [it, added] = driverPassed.try_emplace(*driverOf[i], false);
        if (added) it->second = checkDriver(*drivers, *driverOf[i], driversPath, report);
        ready[i] = it->second;
    }
    return ready;
}

}  // namespace check
