#pragma once

#include "cli/Requests.h"

#include <span>
#include <string_view>
#include <variant>

namespace velarium::cli {

// Reads the words after the program's name into what they ask for, or says in Italian what is
// wrong with them. Touches nothing: a wrong request must leave no trace.
std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments);

} // namespace velarium::cli
