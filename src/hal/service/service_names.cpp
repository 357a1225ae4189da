#include "hal/service/service_names.hpp"

namespace telvora {

namespace {
const std::string NAME(SERVICE_NAME);
}

std::string service_command_line(std::string_view executable_path) {
    std::string line = "\"";
    line += executable_path;
    line += "\" --service";
    return line;
}

std::string registration_line(RegistrationOutcome outcome, std::uint32_t code) {
    const std::string number = std::to_string(code);
    switch (outcome) {
        case RegistrationOutcome::InstalledAndStarted:
            return "service " + NAME + " installé et démarré\n";
        case RegistrationOutcome::InstalledStartRefused:
            return "service " + NAME + " installé (démarrage refusé, code " + number +
                   ") : sc start " + NAME + "\n";
        case RegistrationOutcome::AlreadyRunning:
            return "le service " + NAME + " est déjà installé et tourne\n";
        case RegistrationOutcome::AlreadyInstalledStartRefused:
            return "le service " + NAME + " est déjà installé (démarrage refusé, code " + number +
                   ") : sc start " + NAME + "\n";
        case RegistrationOutcome::AlreadyInstalledNoAccess:
            return "le service " + NAME +
                   " est déjà installé (démarrage impossible : accès refusé)\n";
        case RegistrationOutcome::Uninstalled:
            return "service " + NAME + " désinstallé\n";
        case RegistrationOutcome::NotInstalled:
            return "le service " + NAME + " n'est pas installé\n";
    }
    return {};
}

std::string manager_unreachable_text(std::uint32_t code) {
    return "gestionnaire de services inaccessible (code " + std::to_string(code) +
           ") : invite administrateur requise";
}

std::string executable_path_text(std::string_view system_error) {
    return "chemin de l'exécutable introuvable : " + std::string(system_error);
}

std::string creation_refused_text(std::uint32_t code) {
    return "création du service refusée (code " + std::to_string(code) + ")";
}

std::string deletion_refused_text(std::uint32_t code) {
    return "suppression du service refusée (code " + std::to_string(code) + ")";
}

std::string dispatcher_refused_message(std::uint32_t code) {
    return "erreur : démarrage par le Gestionnaire de services refusé (code " +
           std::to_string(code) + ")\n";
}

}  // namespace telvora
