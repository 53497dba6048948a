#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Text.h"

namespace db {

// An INI file: "[section]" headers and "key=value" lines. Sections and keys are
// matched without regard to case; a value is everything after the first '=' of
// its line, taken whole (a password may hold any character, ';' and '#' included).
// Lines before the first section, blank lines and lines without '=' are ignored.
class IniFile {
  public:
    // Reads the file; nullopt when it cannot be read.
    static std::optional<IniFile> load(const std::string& path);
    static IniFile parse(const std::string& text);

    // The key's value, nullopt when the section or key is absent. The first of
    // several equal keys wins.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // Every key=value line of a section in file order (empty when absent).
    std::vector<std::pair<std::string, std::string>> section(const std::string& section) const;

  private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> lines;
    };
    const Section* find(const std::string& section) const;
    std::vector<Section> sections_;
};

// Names in the database layer match as base::sameName says.
using base::sameName;

}  // namespace db
