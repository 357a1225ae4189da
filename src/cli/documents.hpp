#pragma once
// The two JSON documents of the command line: the detection report and the profile listing.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "hal/smbios/identity.hpp"
#include "profiles/profile.hpp"
#include "profiles/resolution.hpp"

namespace telvora {

// Opens both documents.
inline constexpr std::string_view NOTICE =
    "Rapport anonymisé : identité lue en lecture seule dans les tables SMBIOS de l'ordinateur, "
    "sans numéro de série ni identifiant unique. Outil indépendant, sans lien avec les "
    "fabricants cités, sans garanties.";
static_assert(NOTICE.size() == 211);

// The report, pretty-printed, without a trailing line feed. `backend` names the table source that
// the identity was read through.
[[nodiscard]] std::string detection_report_text(const MachineIdentity& identity,
                                                const Resolution& resolution,
                                                std::size_t profiles_loaded,
                                                std::string_view backend);

// One summary per profile, in the given order; without a trailing line feed.
[[nodiscard]] std::string profile_listing_text(std::span<const MachineProfile> profiles);

}  // namespace telvora
