#include "db/DriverModule.h"

#include "base/Platform.h"
#include "db/Error.h"

namespace db {

std::string driverLibraryPath(const std::string& libraryName) {
    return libraryName.find('/') == std::string::npos ? base::executableDir() + libraryName
                                                      : libraryName;
}

std::unique_ptr<Driver> loadDriver(const DriverEntry& entry, const std::string& errorResourceFile) {
    base::SharedLibrary module;
    if (!module.load(driverLibraryPath(entry.libraryName)))
        throw Error("Unable to Load " + entry.libraryName);
    auto getDriver = reinterpret_cast<OlvGetDriverFunc>(module.symbol(entry.entryPoint));
    if (entry.entryPoint.empty() || !getDriver)
        throw Error("Unable to Find Procedure " + entry.entryPoint);

    Driver* driver = nullptr;
    char message[1024] = {};
    if (getDriver(entry.vendorLib.c_str(), errorResourceFile.c_str(), &driver, message,
                  sizeof message) != 0 ||
        !driver) {
        throw Error(message[0] ? message : "Unable to Load " + entry.vendorLib);
    }
    return std::unique_ptr<Driver>(driver);
}

}  // namespace db
