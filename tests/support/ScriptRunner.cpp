#include <cctype>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/FbOracle.h"
#include "tests/support/TestDatabases.h"

namespace testsupport {

namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The statement's words, upper case, blanks collapsed.
std::string normalized(const std::string& s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// isql's own commands, which are not SQL; SET TERM is handled by the splitter.
bool isIsqlCommand(const std::string& n) {
    static const char* const kCommands[] = {
        "SET SQL DIALECT", "SET NAMES",       "SET AUTODDL",  "SET AUTO", "SET ECHO",
        "SET LIST",        "SET BAIL",        "SET WARNINGS", "SET WNG",  "SET HEADING",
        "SET STATS",       "SET COUNT",       "SET PLAN",     "SET TIME", "SET BLOB",
        "SET ROWCOUNT",    "CREATE DATABASE", "CONNECT ",     "COMMIT",   "ROLLBACK"};
    for (const char* c : kCommands)
        if (startsWith(n, c)) return true;
    return false;
}

}  // namespace

std::vector<std::string> splitScript(const std::string& script) {
    std::vector<std::string> statements;
    std::string terminator = ";";
    std::string current;
    auto finish = [&] {
        const std::string text = trim(current);
        current.clear();
        if (text.empty()) return;
        const std::string n = normalized(text);
        if (startsWith(n, "SET TERM ")) {
            // "SET TERM ^": the rest after the keyword, as written.
            const std::string rest = trim(text.substr(upper(text).find("TERM") + 4));
            terminator = rest;
            return;
        }
        statements.push_back(text);
    };
    enum class State { Normal, Single, Double, LineComment, BlockComment } state = State::Normal;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        const char next = i + 1 < script.size() ? script[i + 1] : '\0';
        switch (state) {
            case State::Normal:
                if (c == '-' && next == '-') {
                    state = State::LineComment;
                    ++i;
                } else if (c == '/' && next == '*') {
                    state = State::BlockComment;
                    ++i;
                } else if (script.compare(i, terminator.size(), terminator) == 0) {
                    finish();
                    i += terminator.size() - 1;
                } else {
                    if (c == '\'') state = State::Single;
                    if (c == '"') state = State::Double;
                    current += c;
                }
                break;
            case State::Single:
                current += c;
                if (c == '\'') state = State::Normal;  // a doubled quote re-enters at once
                break;
            case State::Double:
                current += c;
                if (c == '"') state = State::Normal;
                break;
            case State::LineComment:
                if (c == '\n') {
                    state = State::Normal;
                    current += '\n';
                }
                break;
            case State::BlockComment:
                if (c == '*' && next == '/') {
                    state = State::Normal;
                    current += ' ';
                    ++i;
                }
                break;
        }
    }
    finish();
    return statements;
}

void runStatements(Firebird::IAttachment* attachment, const std::string& script) {
    for (const std::string& statement : splitScript(script)) {
        if (isIsqlCommand(normalized(statement))) continue;
        fb::execute(attachment, statement);
    }
}

void runScript(const std::string& databasePath, const std::string& script) {
    auto attachment = fb::attach(databasePath);
    try {
        runStatements(attachment.get(), script);
    } catch (...) {
        try {
            fb::detach(attachment);
        } catch (...) {
        }
        throw;
    }
    fb::detach(attachment);
}

}  // namespace testsupport
