#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hal/keyboard/process.hpp"

namespace telvora {
namespace {

TEST(QuoteArgument, FollowsTheWindowsCommandLineRules) {
    const struct {
        std::string argument;
        std::string quoted;
    } cases[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"tab\there", "\"tab\there\""},
        {R"(C:\dir\)", R"(C:\dir\)"},  // unquoted, a trailing backslash is literal
        {R"(C:\Program Files\telvora\)", R"("C:\Program Files\telvora\\")"},
        {R"(a"b)", R"("a\"b")"},
        {R"(a\"b)", R"("a\\\"b")"},
        {R"(a\\b c)", R"("a\\b c")"},  // backslashes not before a quotation mark stay single
        {R"(end\\)", R"(end\\)"},
        {R"(x y\\)", R"("x y\\\\")"},
        {"\"", R"("\"")"},
        {"é à", "\"é à\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quote_argument(c.argument), c.quoted) << c.argument;
}

TEST(QuoteCommandLine, JoinsTheProgramAndQuotedArguments) {
    const std::vector<std::string> arguments = {"-File", R"(C:\Temp dir\s.ps1)", "-FrameworkDir",
                                                ""};
    EXPECT_EQ(quote_command_line("powershell.exe", arguments),
              R"(powershell.exe -File "C:\Temp dir\s.ps1" -FrameworkDir "")");
    EXPECT_EQ(quote_command_line(R"(C:\My Tools\p.exe)", {}), R"("C:\My Tools\p.exe")");
}

}  // namespace
}  // namespace telvora
