#pragma once

#include <memory>
#include <string>

#include "db/Driver.h"

namespace db {

// What the drivers file says of one driver.
struct DriverEntry {
    std::string libraryName;  // LibraryName: a bare name is looked for beside the executable
    std::string entryPoint;   // GetDriverFunc
    std::string vendorLib;    // VendorLib, handed to the entry point
};

// Where a library named by LibraryName is looked for: a bare name beside the
// executable, a path as it stands.
std::string driverLibraryPath(const std::string& libraryName);

// Loads the driver module (it stays loaded for the rest of the process: the driver,
// its connections and the errors they throw are its code) and asks its entry point
// for a driver. Throws db::Error "Unable to Load <library>", "Unable to Find
// Procedure <entry>", or the entry point's own message.
std::unique_ptr<Driver> loadDriver(const DriverEntry& entry, const std::string& errorResourceFile);

}  // namespace db
