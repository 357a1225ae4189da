#include "hal/service/service_names.hpp"

#include <gtest/gtest.h>

namespace telvora {
namespace {

TEST(ServiceNames, CommandLineQuotesThePath) {
    EXPECT_EQ(service_command_line(R"(C:\Program Files\Telvora\telvora.exe)"),
              R"("C:\Program Files\Telvora\telvora.exe" --service)");
}

TEST(ServiceNames, RegistrationLines) {
    using enum RegistrationOutcome;
    const struct {
        RegistrationOutcome outcome;
        std::uint32_t code;
        const char* line;
    } cases[] = {
        {InstalledAndStarted, 0, "service TelvoraHal installé et démarré\n"},
        {InstalledStartRefused, 1058,
         "service TelvoraHal installé (démarrage refusé, code 1058) : sc start TelvoraHal\n"},
        {AlreadyRunning, 0, "le service TelvoraHal est déjà installé et tourne\n"},
        {AlreadyInstalledStartRefused, 1058,
         "le service TelvoraHal est déjà installé (démarrage refusé, code 1058) : sc start "
         "TelvoraHal\n"},
        {AlreadyInstalledNoAccess, 0,
         "le service TelvoraHal est déjà installé (démarrage impossible : accès refusé)\n"},
        {Uninstalled, 0, "service TelvoraHal désinstallé\n"},
        {NotInstalled, 0, "le service TelvoraHal n'est pas installé\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(registration_line(c.outcome, c.code), c.line);
}

TEST(ServiceNames, ErrorTexts) {
    EXPECT_EQ(manager_unreachable_text(5),
              "gestionnaire de services inaccessible (code 5) : invite administrateur requise");
    EXPECT_EQ(executable_path_text("Accès refusé. (os error 5)"),
              "chemin de l'exécutable introuvable : Accès refusé. (os error 5)");
    EXPECT_EQ(creation_refused_text(1072), "création du service refusée (code 1072)");
    EXPECT_EQ(deletion_refused_text(1072), "suppression du service refusée (code 1072)");
    EXPECT_EQ(dispatcher_refused_message(1063),
              "erreur : démarrage par le Gestionnaire de services refusé (code 1063)\n");
}

}  // namespace
}  // namespace telvora
