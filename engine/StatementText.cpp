#include "engine/StatementText.h"

#include "base/SqlText.h"

namespace engine {

std::string expandStatement(std::string_view stored, const StatementValues& values) {
    std::string out;
    out.reserve(stored.size() + 32);
    size_t i = 0;
    while (i < stored.size()) {
        if (stored[i] == '{') {
            const size_t close = stored.find('}', i);
            if (close != std::string_view::npos) {
                const std::string_view name = stored.substr(i + 1, close - i - 1);
                bool known = true;
                if (name == "store")
                    out += base::sqlLiteralBody(values.storeId);
                else if (name == "date")
                    out += base::sqlLiteralBody(values.filterDate);
                else if (name == "key")
                    out += base::sqlLiteralBody(values.key);
                else if (name == "offset")
                    out += std::to_string(values.offset);
                else
                    known = false;
                if (known) {
                    i = close + 1;
                    continue;
                }
            }
        }
        out += stored[i++];
    }
    return out;
}

}  // namespace engine
