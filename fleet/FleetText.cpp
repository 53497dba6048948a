#include <iomanip>
#include <sstream>

#include "fleet/FleetReport.h"

namespace fleet {
namespace {

std::string concernsText(const StoreState& store) {
    if (store.concerns.empty()) return store.active.value_or(true) ? "ok" : "inactive";
    std::string out;
    for (Concern c : store.concerns) out += (out.empty() ? "" : ", ") + std::string(concernText(c));
    return out;
}

std::string optionalAge(const std::optional<int64_t>& age) {
    return age ? ageText(*age) : "-";
}

std::string oneLine(std::string text, std::size_t maxChars) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (text.size() > maxChars) text = text.substr(0, maxChars) + "...";
    return text;
}

}  // namespace

std::string ageText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    const int64_t minutes = seconds / 60, hours = minutes / 60, days = hours / 24;
    if (seconds < 60) return std::to_string(seconds) + "s";
    if (minutes < 60) return std::to_string(minutes) + "m";
    if (hours < 24)
        return std::to_string(hours) + "h" +
               (minutes % 60 ? " " + std::to_string(minutes % 60) + "m" : "");
    return std::to_string(days) + "d" + (hours % 24 ? " " + std::to_string(hours % 24) + "h" : "");
}

std::string tableText(const FleetView& view) {
    std::ostringstream out;
    out << "olvarin-fleet at " << view.generatedAt << ": " << view.stores.size() << " stores, "
        << view.needingAttention() << " need a person\n";
    if (!view.heartbeats) out << "(no heartbeat table OLVARIN_STORE_STATUS at headquarters)\n";
    out << std::left << std::setw(11) << "STORE" << std::setw(34) << "STATE" << std::setw(10)
        << "REPORTED" << std::setw(10) << "SUCCESS" << std::setw(16) << "WAITING" << std::setw(16)
        << "CLAIMED" << std::setw(10) << "RETURNED"
        << "LAST ERROR\n";
    for (const StoreState& store : view.stores) {
        const auto& beat = store.heartbeat;
        const std::string waiting = std::to_string(store.total(&QueueState::waiting)) + " " +
                                    optionalAge(store.oldest(&QueueState::oldestWaitingAge));
        const std::string claimed = std::to_string(store.total(&QueueState::claimed)) + " " +
                                    optionalAge(store.oldest(&QueueState::oldestClaimedAge));
        out << std::setw(11) << store.storeId << std::setw(34) << concernsText(store)
            << std::setw(10) << (beat ? ageText(beat->reportedAge) : "never") << std::setw(10)
            << (beat ? optionalAge(beat->lastSuccessAge) : "-") << std::setw(16) << waiting
            << std::setw(16) << claimed << std::setw(10) << store.total(&QueueState::returned)
            << (beat ? oneLine(beat->lastErrorMessage, 80) : "") << "\n";
        for (std::size_t i = 0; i < view.queues.size(); ++i) {
            const QueueState& q = store.queues[i];
            if (q.waiting == 0 && q.claimed == 0) continue;
            out << "  " << std::setw(20) << view.queues[i] << "waiting " << q.waiting << " (oldest "
                << optionalAge(q.oldestWaitingAge) << "), claimed " << q.claimed << " (oldest "
                << optionalAge(q.oldestClaimedAge) << "), returned " << q.returned << "\n";
        }
    }
    return out.str();
}

}  // namespace fleet
