#include "base/Clock.h"

#include <ctime>
#include <utility>

namespace base {
namespace {

std::function<LocalDateTime()>& clockOverride() {
    static std::function<LocalDateTime()> clock;
    return clock;
}

LocalDateTime systemNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

LocalDateTime now() {
    auto& clock = clockOverride();
    return clock ? clock() : systemNow();
}

void setClock(std::function<LocalDateTime()> clock) {
    clockOverride() = std::move(clock);
}

}  // namespace base
