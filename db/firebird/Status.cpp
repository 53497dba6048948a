#include "db/firebird/Status.h"

#include "db/Error.h"

namespace db::firebird {

Status::Status(const Api& api) : status_(api.master()->getStatus()), wrapper_(status_.get()) {}

std::string formatStatus(const Api& api, Firebird::IStatus* status) {
    char buffer[4096];
    const unsigned n = api.util()->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void throwError(const Api& api, const Firebird::FbException& e) {
    throw db::Error(formatStatus(api, e.getStatus()));
}

}  // namespace db::firebird
