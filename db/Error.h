#pragma once

#include <stdexcept>
#include <string>

namespace db {

// Every failure of the database layer: a message, ready to show. An error raised
// for a named component carries the name first, as "Name: message".
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The message with a component's name in front ("CDS_T1: Field 'X' not found").
inline std::string withComponentName(const std::string& name, const std::string& message) {
    return name.empty() ? message : name + ": " + message;
}

}  // namespace db
