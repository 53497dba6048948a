#include "db/IniFile.h"

#include <fstream>
#include <sstream>

#include "base/Text.h"

namespace db {

std::optional<IniFile> IniFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

IniFile IniFile::parse(const std::string& text) {
    IniFile ini;
    std::istringstream in(text);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = base::trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            ini.sections_.push_back({base::trimmed(t.substr(1, t.size() - 2)), {}});
            current = &ini.sections_.back();
            continue;
        }
        const auto eq = line.find('=');
        if (!current || eq == std::string::npos) continue;
        const std::string key = base::trimmed(line.substr(0, eq));
        if (key.empty()) continue;
        current->lines.emplace_back(key, line.substr(eq + 1));
    }
    return ini;
}

const IniFile::Section* IniFile::find(const std::string& section) const {
    for (const auto& s : sections_) {
        if (sameName(s.name, section)) return &s;
    }
    return nullptr;
}

std::optional<std::string> IniFile::value(const std::string& section,
                                          const std::string& key) const {
    const Section* s = find(section);
    if (!s) return std::nullopt;
    for (const auto& [k, v] : s->lines) {
        if (sameName(k, key)) return v;
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniFile::section(
    const std::string& section) const {
    const Section* s = find(section);
    return s ? s->lines : std::vector<std::pair<std::string, std::string>>{};
}

}  // namespace db
