// The arguments after the program name: the input is split on NUL bytes into arguments.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "fuzz_check.hpp"

using telvora::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = telvora::fuzz::as_text(data, size);
    std::vector<std::string> args;
    if (!text.empty()) {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = text.find('\0', start);
            args.emplace_back(text.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }

    const auto invocation = telvora::scan_arguments(args);
    if (!invocation) {
        check(!args.empty(), "no argument is a usage error");
        check(
            telvora::usage_error_text(invocation.error()).find(telvora::USAGE) != std::string::npos,
            "usage error text without the usage");
        return 0;
    }
    using telvora::Action;
    check((invocation->action == Action::ShowUsage) == args.empty(), "usage shown with arguments");
    if (invocation->action == Action::Detect || invocation->action == Action::Profiles) {
        // Options come in name and value pairs after the command word.
        check(args.size() % 2 == 1, "options accepted without their pairs");
        check(invocation->line.command == args[0], "command word differs");
    }
    return 0;
}
