#pragma once

#include <memory>
#include <string>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "AppTestSupport.h"

// The built program installed the way a branch installs it: a folder of its own
// with copies of olvarin and its driver module, so that the module is loaded (and
// its last reference let go) by that process alone, and a per-user settings folder
// of its own. The program runs as a process, with "a", without a display.
namespace apptest {

// How a run of the program ended, and what it wrote.
struct Outcome {
    int exitCode = -1;  // -2: ended by a signal; -1: killed after the time limit
    QStringList out;
    QString err;
    // Both outputs, for failure messages.
    std::string text() const;
};

class ProgramFolder {
public:
    // The program alone, copied in (a symbolic link would make it look for its files
    // beside the original).
    ProgramFolder();

    std::string file(const std::string& name) const { return folder_.file(name); }
    const TempFolder& configFolder() const { return config_; }

    // Also the driver module beside the program, and dbxdrivers.ini naming it bare.
    void installDriverModule();
    // Quelmar.dat for store 0001, written by olvarin-storecfg.
    void writeStoreConfigWithCommand();
    // dbxconnections.ini beside the program: the test login on both databases.
    void writeConnections(const std::string& sourceDatabase, const std::string& targetDatabase,
                          const std::string& sourcePassword = "olvtest");

    // A per-user setting of the program ("Status File", ...).
    void setSetting(const char* key, const std::string& value) const;

    // olvarin a in the folder; its own XDG_CONFIG_HOME, no display.
    Outcome runUnattended(int timeoutMs = 120000) const;
    // The same, started: the test acts on it while it runs, then waits for it.
    std::unique_ptr<QProcess> startUnattended() const;
    static Outcome waitForEnd(QProcess& program, int timeoutMs = 120000);

private:
    TempFolder folder_;
    TempFolder config_;
};

}  // namespace apptest
