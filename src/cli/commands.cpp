#include "cli/commands.hpp"

#include "cli/output.hpp"

// Stand-ins until the profiles and firmware layers land: a plain error, never a made-up report.
namespace telvora {

int run_detect(const CommandLine&) {
    standard_streams().write_stderr("erreur : commande detect pas encore disponible\n");
    return 1;
}

int run_profiles(const CommandLine&) {
    standard_streams().write_stderr("erreur : commande profiles pas encore disponible\n");
    return 1;
}

}  // namespace telvora
