#include <algorithm>
#include <unordered_set>

#include "profiles/profile.hpp"
#include "support/text.hpp"

namespace telvora {

namespace {

bool is_well_formed_mtm(std::string_view mtm) {
    return mtm.size() == 4 && std::ranges::all_of(mtm, [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

}  // namespace

std::expected<void, ProfileError> validate_profile(const MachineProfile& profile) {
    auto invalid = [&](std::string message) {
        return std::unexpected(
            ProfileError{ProfileError::InvalidProfile{profile.id, std::move(message)}});
    };

    if (profile.schema_version != SCHEMA_VERSION)
        return std::unexpected(
            ProfileError{ProfileError::UnsupportedSchema{profile.schema_version}});
    if (is_blank(profile.id))
        return invalid("identifiant vide");
    if (profile.scope == ProfileScope::Family && profile.matches.version_contains.empty())
        return invalid("profil de famille sans nom commercial");
    if (profile.scope == ProfileScope::Model && profile.matches.mtm.empty())
        return invalid("profil de modèle sans MTM");
    for (const std::string& mtm : profile.matches.mtm) {
        if (!is_well_formed_mtm(mtm))
            return invalid("MTM mal formé : « " + mtm + " »");
    }

    std::unordered_set<std::string_view> seen;
    for (const Capability& capability : profile.capabilities) {
        if (!seen.insert(capability.id).second)
            return invalid("capacité dupliquée : " + capability.id);
        if (std::ranges::all_of(capability.sources,
                                [](const std::string& s) { return is_blank(s); }))
            return invalid("capacité " + capability.id + " sans source");
        if (capability.confidence == Confidence::Validated &&
            (!capability.validated_on || is_blank(*capability.validated_on)))
            return invalid("capacité " + capability.id + " « validated » sans validated_on");
        if (capability.bounds && capability.bounds->min > capability.bounds->max)
            return invalid("bornes inversées pour " + capability.id);
    }
    return {};
}

}  // namespace telvora
