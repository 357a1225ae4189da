#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "cli/dispatch.hpp"
#include "support/text.hpp"

namespace {

// The C runtime's argv is in the ANSI code page and loses characters; the wide command line is
// the exact one.
std::vector<std::string> utf8_arguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (wide == nullptr)
        return args;
    for (int i = 1; i < count; ++i)
        args.push_back(telvora::from_wide(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace

int main() {
    const std::vector<std::string> args = utf8_arguments();
    return telvora::run_main(args, telvora::standard_streams());
}
