#include "check/CheckReport.h"

#include <algorithm>
#include <utility>

namespace check {

namespace {

// A database's message may span lines ("...\n-Error while trying to open file");
// the report keeps one line per check.
std::string oneLine(const std::string& text) {
    std::string flat;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            flat += text[i];
            continue;
        }
        const bool continued = i + 1 < text.size() && text[i + 1] == '-';
        flat += continued ? "; " : " ";
        if (continued) ++i;
    }
    return flat;
}

}  // namespace

std::string formatLine(const CheckLine& line) {
    static constexpr const char* kLabels[] = {"ok   ", "FAIL ", "skip "};
    std::string text = kLabels[static_cast<int>(line.outcome)] + line.subject;
    if (!line.finding.empty()) text += ": " + oneLine(line.finding);
    if (!line.remedy.empty()) text += " — " + line.remedy;
    return text;
}

void CheckReport::ok(std::string subject, std::string finding) {
    lines_.push_back({Outcome::Ok, std::move(subject), std::move(finding), {}});
}

void CheckReport::fail(std::string subject, std::string finding, std::string remedy) {
    lines_.push_back({Outcome::Fail, std::move(subject), std::move(finding), std::move(remedy)});
}

void CheckReport::skip(std::string subject, std::string reason) {
    lines_.push_back({Outcome::Skip, std::move(subject), std::move(reason), {}});
}

bool CheckReport::allOk() const {
    return std::none_of(lines_.begin(), lines_.end(),
                        [](const CheckLine& l) { return l.outcome == Outcome::Fail; });
}

}  // namespace check
