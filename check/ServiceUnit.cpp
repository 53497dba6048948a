#include "check/ServiceUnit.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Text.h"

namespace check {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUnitName = "olvarin.service";
constexpr const char* kRuntimeRoot = "/run/";

// The words of a value, split at blanks; quotes keep blanks in a word and are
// taken away ("A=b c" D=e gives A=b c and D=e).
std::vector<std::string> words(const std::string& value) {
    std::vector<std::string> found;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (const char c : value) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) found.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) found.push_back(word);
    return found;
}

// NAME=value lines of an environment file; '#' and ';' start comments.
void readEnvironmentFile(std::string path, std::vector<std::string>& environment) {
    if (!path.empty() && path.front() == '-') path.erase(0, 1);
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        line = base::trimmed(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string value = base::trimmed(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        environment.push_back(base::trimmed(line.substr(0, eq)) + "=" + value);
    }
}

struct Settings {
    std::vector<std::string> environmentFiles;
};

void apply(const std::string& key, const std::string& value, ServiceUnit& unit,
           Settings& settings) {
    if (key == "User") {
        unit.user = value;
    } else if (key == "Group") {
        unit.group = value;
    } else if (key == "ExecStart") {
        const std::vector<std::string> command = words(value);
        if (command.empty()) return;
        std::string program = command.front();
        program.erase(0, program.find_first_not_of("-@:+!"));
        unit.program = program;
    } else if (key == "Environment") {
        if (value.empty()) unit.environment.clear();
        for (const std::string& word : words(value)) unit.environment.push_back(word);
    } else if (key == "EnvironmentFile") {
        if (value.empty())
            settings.environmentFiles.clear();
        else
            settings.environmentFiles.push_back(value);
    } else if (key == "RuntimeDirectory") {
        if (value.empty()) unit.runtimeDirectories.clear();
        for (const std::string& word : words(value))
            unit.runtimeDirectories.push_back(kRuntimeRoot + word);
    } else if (key == "RuntimeDirectoryMode") {
        unit.runtimeDirectoryMode = static_cast<mode_t>(std::strtoul(value.c_str(), nullptr, 8));
    }
}

void readFile(const std::string& path, ServiceUnit& unit, Settings& settings) {
    std::ifstream in(path);
    bool inService = false;
    for (std::string line; std::getline(in, line);) {
        line = base::trimmed(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            inService = line == "[Service]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inService || eq == std::string::npos) continue;
        apply(base::trimmed(line.substr(0, eq)), base::trimmed(line.substr(eq + 1)), unit,
              settings);
    }
}

std::vector<std::string> dropIns(const std::string& unitFile) {
    std::vector<std::string> files;
    for (const std::string& folder :
         {unitFile + ".d", std::string("/etc/systemd/system/") + kUnitName + ".d"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.path().extension() == ".conf") files.push_back(entry.path().string());
        }
    }
    // One order for all of them, by file name, as systemd merges them.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return fs::path(a).filename() < fs::path(b).filename();
    });
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

}  // namespace

ServiceUnit readServiceUnit(const std::string& file) {
    ServiceUnit unit;
    unit.file = file;
    Settings settings;
    readFile(file, unit, settings);
    for (const std::string& dropIn : dropIns(file)) readFile(dropIn, unit, settings);
    for (const std::string& path : settings.environmentFiles)
        readEnvironmentFile(path, unit.environment);
    return unit;
}

std::optional<ServiceUnit> findServiceUnit() {
    if (const char* own = std::getenv("OLVARIN_SERVICE_UNIT"); own != nullptr && *own != '\0') {
        std::error_code ec;
        if (!fs::is_regular_file(own, ec)) return std::nullopt;
        return readServiceUnit(own);
    }
    for (const char* folder :
         {"/etc/systemd/system/", "/lib/systemd/system/", "/usr/lib/systemd/system/"}) {
        const std::string file = std::string(folder) + kUnitName;
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) return readServiceUnit(file);
    }
    return std::nullopt;
}

}  // namespace check
