#include "check/AsService.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "base/Platform.h"

namespace check {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAsService = "checking as the service runs olvarin";
// The PATH systemd gives a service.
constexpr const char* kServicePath = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

CheckLine line(Outcome outcome, std::string subject, std::string finding, std::string remedy = {}) {
    return {outcome, std::move(subject), std::move(finding), std::move(remedy)};
}

std::string asStartedSubject() {
    return "checking as user " + base::effectiveUserName() + ", with this shell's environment";
}

// A secret the unit hands the run is named, not shown.
std::string shownVariable(const std::string& assignment) {
    const std::string name = assignment.substr(0, assignment.find('='));
    return name.find("PASSWORD") == std::string::npos ? assignment : name + "=(set)";
}

// The user and group the unit runs olvarin as; nullopt when the user does not exist.
struct Account {
    std::string name;
    uid_t uid;
    gid_t gid;
    std::string home;
    std::string shell;
};

std::optional<Account> serviceAccount(const ServiceUnit& unit) {
    const std::string name = unit.user.empty() ? "root" : unit.user;
    const struct passwd* user = ::getpwnam(name.c_str());
    if (user == nullptr) return std::nullopt;
    Account account{name, user->pw_uid, user->pw_gid, user->pw_dir, user->pw_shell};
    if (!unit.group.empty()) {
        const struct group* group = ::getgrnam(unit.group.c_str());
        if (group == nullptr) return std::nullopt;
        account.gid = group->gr_gid;
    }
    return account;
}

bool becomeAccount(const Account& account) {
    return ::initgroups(account.name.c_str(), account.gid) == 0 && ::setgid(account.gid) == 0 &&
           ::setuid(account.uid) == 0;
}

}  // namespace

CheckIdentity::CheckIdentity(std::optional<ServiceUnit> unit, const std::string& besideProgram) {
    if (!unit) {
        asStarted_ = line(Outcome::Ok, asStartedSubject(), "no olvarin.service is installed");
    } else if (!sameFile(unit->program, besideProgram)) {
        asStarted_ =
            line(Outcome::Ok, asStartedSubject(),
                 unit->file + " runs " + unit->program + ", not the olvarin beside this check");
    } else {
        unit_ = std::move(unit);
    }
}

int CheckIdentity::run(const std::function<int(const CheckLine&)>& check) const {
    return asStarted_ ? check(*asStarted_) : runAsService(check);
}

CheckLine CheckIdentity::serviceLine() const {
    const char* home = std::getenv("HOME");
    std::string finding = "user " + base::effectiveUserName() + ", HOME=" + (home ? home : "");
    for (const std::string& assignment : unit_->environment)
        finding += " " + shownVariable(assignment);
    return line(Outcome::Ok, kAsService, finding + " (" + unit_->file + ")");
}

void CheckIdentity::takeServiceEnvironment() const {
    const struct passwd* user = ::getpwuid(::geteuid());
    const std::string name = user ? user->pw_name : "";
    const std::string home = user ? user->pw_dir : "/";
    const std::string shell = user ? user->pw_shell : "/bin/sh";
    ::clearenv();
    ::setenv("PATH", kServicePath, 1);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("USER", name.c_str(), 1);
    ::setenv("LOGNAME", name.c_str(), 1);
    ::setenv("SHELL", shell.c_str(), 1);
    for (const std::string& assignment : unit_->environment) {
        const auto eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        ::setenv(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str(), 1);
    }
}

int CheckIdentity::runAsService(const std::function<int(const CheckLine&)>& check) const {
    const std::optional<Account> account = serviceAccount(*unit_);
    if (!account) {
        return check(line(Outcome::Fail, kAsService,
                          "its user " + unit_->user +
                              (unit_->group.empty() ? "" : " or group " + unit_->group) + " in " +
                              unit_->file + " does not exist; " + asStartedSubject() + " instead",
                          "reinstall the olvarin package, which makes the user olvarin"));
    }
    if (::geteuid() == account->uid) {
        takeServiceEnvironment();
        for (const std::string& folder : unit_->runtimeDirectories) {
            std::error_code ec;
            if (fs::is_directory(folder, ec)) continue;
            return check(line(Outcome::Fail, kAsService,
                              "user " + account->name + ", but its runtime folder " + folder +
                                  " is missing (systemd makes it for each run, and only root can)",
                              "run olvarin-check as root, which makes it the way systemd does"));
        }
        return check(serviceLine());
    }
    if (::geteuid() != 0) {
        return check(line(Outcome::Fail, asStartedSubject(),
                          "not as the service runs olvarin (user " + account->name +
                              "): only root can take its user",
                          "run olvarin-check as root (sudo olvarin-check) or as " + account->name));
    }

    // What systemd does before a run: the runtime folders, the service's own.
    std::vector<std::string> made;
    for (const std::string& folder : unit_->runtimeDirectories) {
        if (::mkdir(folder.c_str(), unit_->runtimeDirectoryMode) != 0) continue;
        if (::chown(folder.c_str(), account->uid, account->gid) != 0 ||
            ::chmod(folder.c_str(), unit_->runtimeDirectoryMode) != 0) {
            std::perror(folder.c_str());
        }
        made.push_back(folder);
    }
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (!becomeAccount(*account)) {
            std::perror(("olvarin-check: cannot become user " + account->name).c_str());
            std::exit(1);
        }
        takeServiceEnvironment();
        std::exit(check(serviceLine()));
    }
    int status = 0;
    const bool ended = child > 0 && ::waitpid(child, &status, 0) == child;
    // ... and after it: the runtime folders go again.
    for (const std::string& folder : made) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    if (child < 0) std::perror("olvarin-check: fork");
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace check
