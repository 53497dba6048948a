#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "engine/RunTally.h"

// The status file for monitoring: the outcome of the last download run, in the
// text format Prometheus' node_exporter serves from its textfile folder. It is
// written after every run, by the button, the timer or "olvarin a", when the
// per-user setting "Status File" names it; without the setting nothing is written.
namespace app {

inline constexpr const char* kStatusFileSetting = "Status File";

// One run as the status file tells it.
struct RunOutcome {
    std::string storeId;                            // the store label of every series
    std::chrono::system_clock::time_point start{};  // the machine's clock
    std::chrono::system_clock::time_point end{};
    std::chrono::steady_clock::duration duration{};  // not moved by clock changes
    bool succeeded = false;
    engine::RunTally tally{};
};

// The file's text: every metric a gauge with its # HELP and # TYPE lines; the
// store label on every series of the run, the category's name on the per-category
// series (only for the categories that ran), and olvarin_build_info with the
// program's version. lastSuccessSeconds is the Unix time of the last successful
// run's end, 0 for none.
std::string statusText(const RunOutcome& outcome, double lastSuccessSeconds);

// The value of olvarin_last_success_timestamp_seconds for the store storeId in a
// status file's text; none when the text has no such series with a number, or
// only one of another store.
std::optional<double> lastSuccessIn(const std::string& text, const std::string& storeId);

// Replaces the file at path with the outcome, atomically: the text goes to a
// temporary file in the same folder, which is then renamed over path, so a reader
// sees the earlier file or the new one, never a part; its mode is 0644 whatever
// the umask. A failed run keeps the last
// success time of the file it replaces when that file is the same store's (0 when
// there is none, no readable file, or the file was written for another store).
// Returns an empty string, or why the file was not written; never throws.
std::string writeStatusFile(const std::string& path, const RunOutcome& outcome) noexcept;

// Times one run from construction to finish(), and at finish() writes its outcome
// to the file the setting names, if any. A file that cannot be written is reported
// in one line on standard error and changes nothing else of the run.
class StatusFileRun {
  public:
    explicit StatusFileRun(std::string storeId);

    // Where the run counts what it did; owned by this object.
    engine::RunTally* tally() { return &outcome_.tally; }
    // The run as finish() recorded it.
    const RunOutcome& outcome() const { return outcome_; }

    void finish(bool succeeded) noexcept;

  private:
    RunOutcome outcome_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace app
