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

// Whether the tests run as root, which process tests of what another user may not
// read need.
bool runningAsRoot();
// Makes a test folder readable (and writable) by every user.
void openToEveryone(const TempFolder& folder);

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

    // From here on the program runs as the user nobody, its folders open to it, so
    // that a file of mode 0600 is one it may not read (the test must run as root).
    void runAsNobody();
    // A per-user setting of the program ("Status File", ...).
    void setSetting(const char* key, const std::string& value) const;

    // olvarin with the arguments in the folder; its own XDG_CONFIG_HOME, no display,
    // and the environment's NAME=value entries added.
    Outcome run(const QStringList& arguments, const QStringList& environment = {},
                int timeoutMs = 120000) const;
    // olvarin a, as above.
    Outcome runUnattended(int timeoutMs = 120000) const { return run({"a"}, {}, timeoutMs); }
    // The same, started: the test acts on it while it runs, then waits for it.
    std::unique_ptr<QProcess> start(const QStringList& arguments,
                                    const QStringList& environment = {}) const;
    std::unique_ptr<QProcess> startUnattended() const { return start({"a"}); }
    static Outcome waitForEnd(QProcess& program, int timeoutMs = 120000);

  private:
    TempFolder folder_;
    TempFolder config_;
    bool asNobody_ = false;
};

}  // namespace apptest
