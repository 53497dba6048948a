#pragma once

#include <string>

#include "check/CheckReport.h"
#include "db/SQLConnection.h"

namespace check {

// What the program reads, as it finds it.
struct CheckInputs {
    std::string storeConfigFile;      // the store configuration (Quelmar.dat beside olvarin)
    db::RegistryFiles registryFiles;  // as the program's per-user settings give them
};

// The whole set-up check, one line per check in this order: the store
// configuration; the connections file, the two connections' sections, the drivers
// file and the driver module; headquarters ("Dravonel") and the branch ("Corvane")
// opened through the program's named connections; every table the download needs,
// on both sides, by the rules a branch must keep; the wait queues at headquarters,
// their columns and their STORE_ID index; and how many queue rows wait for the
// store, with the oldest QUEUED_AT. A check that needs one that failed is skipped.
//
// Writes nothing: it reads files and runs SELECTs. What it finds goes into the
// report; it throws only for what it cannot report (out of memory).
CheckReport runSetupCheck(const CheckInputs& inputs);

}  // namespace check
