#pragma once

#include <string>
#include <vector>

namespace check {

// How one check came out. Skip: it could not run because a check it needs failed,
// and that failure's own line says what to do.
enum class Outcome { Ok, Fail, Skip };

// One line of the report: what was checked, what was found and, for a failure,
// what to do about it.
struct CheckLine {
    Outcome outcome = Outcome::Ok;
    std::string subject;  // "connections file", "branch CUSTOMER"
    std::string finding;  // may be empty
    std::string remedy;   // failures only
};

// "ok   subject: finding", "FAIL subject: finding — remedy", "skip subject: finding",
// on one line: a finding's line breaks become "; " before a "-" continuation line
// (as Firebird's messages have them) and a blank otherwise.
std::string formatLine(const CheckLine& line);

// The lines of one set-up check, in the order the checks ran.
class CheckReport {
  public:
    void ok(std::string subject, std::string finding = {});
    void fail(std::string subject, std::string finding, std::string remedy);
    void skip(std::string subject, std::string reason);

    const std::vector<CheckLine>& lines() const { return lines_; }
    bool allOk() const;
    // The command's exit status: 0 when nothing failed, 1 otherwise.
    int exitStatus() const { return allOk() ? 0 : 1; }

  private:
    std::vector<CheckLine> lines_;
};

}  // namespace check
