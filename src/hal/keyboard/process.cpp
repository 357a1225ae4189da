#include "hal/keyboard/process.hpp"

namespace telvora {

std::string quote_argument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes mean themselves unless a quotation mark follows them.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string quote_command_line(std::string_view program, std::span<const std::string> arguments) {
    std::string line;
    if (program.empty() || program.find_first_of(" \t") != std::string_view::npos)
        line.append("\"").append(program).append("\"");
    else
        line.append(program);
    for (const std::string& argument : arguments)
        line.append(" ").append(quote_argument(argument));
    return line;
}

}  // namespace telvora
