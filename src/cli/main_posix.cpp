#include <string>
#include <vector>

#include "cli/dispatch.hpp"

int main(int argc, char** argv) {
    // Arguments are taken as the bytes the system gives; messages show them as they came.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return telvora::run_main(args, telvora::standard_streams());
}
