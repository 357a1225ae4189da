#include "profiles/profile.hpp"

namespace telvora {

std::string_view scope_text(ProfileScope scope) noexcept {
    return scope == ProfileScope::Model ? "model" : "family";
}

std::string ProfileError::display() const {
    struct Display {
        std::string operator()(const InvalidToml& e) const {
            return "TOML invalide : " + e.message;
        }
        std::string operator()(const UnsupportedSchema& e) const {
            return "version de schéma " + std::to_string(e.found) + " non supportée (attendu " +
                   std::to_string(SCHEMA_VERSION) + ")";
        }
        std::string operator()(const InvalidProfile& e) const {
            return "profil « " + e.profile + " » : " + e.message;
        }
    };
    return std::visit(Display{}, detail);
}

std::expected<MachineProfile, ProfileError> load_profile_text(std::string_view text) {
    auto profile = parse_profile(text);
    if (!profile)
        return profile;
    if (auto valid = validate_profile(*profile); !valid)
        return std::unexpected(std::move(valid.error()));
    return profile;
}

}  // namespace telvora
