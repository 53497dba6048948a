#include <sstream>

#include "fleet/FleetReport.h"

namespace fleet {
namespace {

// Inline only: the page is one file that a phone can open from anywhere.
constexpr const char* kStyle = R"(
*{box-sizing:border-box}
body{font-family:system-ui,-apple-system,"Segoe UI",sans-serif;margin:0;padding:1rem;color:#1d2430;background:#f5f6f8}
h1{font-size:1.4rem;margin:0 0 .25rem}h2{font-size:1.1rem;margin:1.5rem 0 .5rem}
#summary{margin:0;color:#525c6b}
.cards{display:grid;gap:.75rem;grid-template-columns:repeat(auto-fill,minmax(min(18rem,100%),1fr))}
.queues{margin:.2rem 0;padding-left:1.1rem}
.card{background:#fff;border-left:.4rem solid #c62828;border-radius:.4rem;padding:.6rem .8rem;box-shadow:0 1px 2px #0002}
.card.warn{border-left-color:#ef6c00}
.card h3{margin:0 0 .3rem;font-size:1.05rem}.card p{margin:.2rem 0;overflow-wrap:anywhere}
.concerns{font-weight:600}.error{font-family:ui-monospace,monospace;font-size:.85rem;color:#8e1b1b}
table{border-collapse:collapse;width:100%;background:#fff}
th,td{text-align:left;padding:.35rem .5rem;border-bottom:1px solid #e1e4e8;vertical-align:top;overflow-wrap:anywhere}
tr.attention td:first-child{border-left:.3rem solid #c62828}tr.fine td:first-child{border-left:.3rem solid #2e7d32}
@media (max-width:700px){
 table,thead,tbody,tr,td{display:block}thead{display:none}
 tr{margin-bottom:.6rem;border-radius:.4rem;box-shadow:0 1px 2px #0002;background:#fff}
 td{display:grid;grid-template-columns:7rem minmax(0,1fr);gap:.5rem;border:none}
 td::before{content:attr(data-label);color:#525c6b}
 tr.attention td:first-child,tr.fine td:first-child{border-left:none}
 tr.attention{border-left:.4rem solid #c62828}tr.fine{border-left:.4rem solid #2e7d32}}
)";

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ago(const std::optional<int64_t>& age) {
    return age ? ageText(*age) + " ago" : "never";
}

std::string concernList(const StoreState& store, const char* separator, bool names) {
    std::string out;
    for (Concern c : store.concerns)
        out +=
            (out.empty() ? "" : separator) + std::string(names ? concernName(c) : concernText(c));
    return out;
}

std::string stateText(const StoreState& store) {
    if (!store.concerns.empty()) return concernList(store, ", ", false);
    return store.active.value_or(true) ? "ok" : "inactive";
}

std::string rowsWithAge(int64_t rows, const std::optional<int64_t>& age) {
    return std::to_string(rows) + (rows > 0 && age ? " (oldest " + ageText(*age) + ")" : "");
}

std::string queueLines(const FleetView& view, const StoreState& store) {
    std::string out;
    for (std::size_t i = 0; i < view.queues.size(); ++i) {
        const QueueState& q = store.queues[i];
        if (q.waiting == 0 && q.claimed == 0) continue;
        out += "<li data-queue=\"" + view.queues[i] + "\">" + view.queues[i] + ": " +
               rowsWithAge(q.waiting, q.oldestWaitingAge) + " waiting, " +
               rowsWithAge(q.claimed, q.oldestClaimedAge) + " claimed" +
               (q.returned ? ", " + std::to_string(q.returned) + " returned" : "") + "</li>";
    }
    return out.empty() ? "" : "<ul class=\"queues\">" + out + "</ul>";
}

std::string storeTitle(const StoreState& store) {
    return escaped(store.storeId) + (store.name.empty() ? "" : " " + escaped(store.name));
}

std::string card(const FleetView& view, const StoreState& store) {
    const bool urgent = store.concerns.front() <= Concern::StaleHeartbeat;
    std::ostringstream out;
    out << "<article class=\"card" << (urgent ? "" : " warn") << "\" data-store=\""
        << escaped(store.storeId) << "\" data-concerns=\"" << concernList(store, " ", true) << "\">"
        << "<h3>" << storeTitle(store) << "</h3><p class=\"concerns\">"
        << escaped(concernList(store, " · ", false)) << "</p>";
    if (const auto& beat = store.heartbeat) {
        if (!beat->succeeded && !beat->errorMessage.empty())
            out << "<p class=\"error\">" << escaped(beat->errorMessage) << "</p>";
        out << "<p>Last heartbeat " << ageText(beat->reportedAge) << " ago"
            << (beat->hostName.empty() ? "" : " from " + escaped(beat->hostName))
            << ", last success " << ago(beat->lastSuccessAge) << ".</p>";
        if (beat->rowsRefused || beat->billsNotCopied)
            out << "<p>Last run refused " << beat->rowsRefused << " rows and left "
                << beat->billsNotCopied << " bills uncopied.</p>";
    } else {
        out << "<p>No heartbeat from this store.</p>";
    }
    out << queueLines(view, store) << "</article>";
    return out.str();
}

std::string cell(const char* label, const std::string& html) {
    return std::string("<td data-label=\"") + label + "\">" + html + "</td>";
}

std::string row(const FleetView& view, const StoreState& store) {
    const auto& beat = store.heartbeat;
    std::ostringstream out;
    out << "<tr class=\"" << (store.concerns.empty() ? "fine" : "attention") << "\" data-store=\""
        << escaped(store.storeId) << "\">" << cell("Store", storeTitle(store))
        << cell("State", escaped(stateText(store)))
        << cell("Heartbeat", beat ? ageText(beat->reportedAge) + " ago" : "never")
        << cell("Last success", beat ? ago(beat->lastSuccessAge) : "never")
        << cell("Waiting", rowsWithAge(store.total(&QueueState::waiting),
                                       store.oldest(&QueueState::oldestWaitingAge)))
        << cell("Claimed", rowsWithAge(store.total(&QueueState::claimed),
                                       store.oldest(&QueueState::oldestClaimedAge)))
        << cell("Returned", std::to_string(store.total(&QueueState::returned)))
        << cell("Last error", beat ? escaped(beat->lastErrorMessage) : "")
        << cell("Queues", queueLines(view, store)) << "</tr>";
    return out.str();
}

}  // namespace

std::string htmlPage(const FleetView& view) {
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>olvarin: the chain's stores</title><style>"
        << kStyle << "</style></head><body>\n<header><h1>The chain's stores</h1><p id=\"summary\">"
        << view.stores.size() << " stores, " << view.needingAttention()
        << " need a person. Headquarters' clock " << escaped(view.generatedAt)
        << "; a heartbeat is stale after " << ageText(view.options.staleAfterSeconds)
        << ", a claim stuck after " << ageText(view.options.stuckAfterSeconds) << ".</p></header>\n"
        << "<section id=\"attention\"><h2>Need a person</h2>";
    if (view.needingAttention() == 0) out << "<p class=\"none\">No store needs a person.</p>";
    out << "<div class=\"cards\">";
    for (const StoreState& store : view.stores)
        if (!store.concerns.empty()) out << "\n" << card(view, store);
    out << "</div></section>\n<section id=\"stores\"><h2>Every store</h2><table><thead><tr>"
           "<th>Store</th><th>State</th><th>Heartbeat</th><th>Last success</th><th>Waiting</th>"
           "<th>Claimed</th><th>Returned</th><th>Last "
           "error</th><th>Queues</th></tr></thead><tbody>";
    for (const StoreState& store : view.stores) out << "\n" << row(view, store);
    out << "</tbody></table></section>\n</body></html>\n";
    return out.str();
}

}  // namespace fleet
