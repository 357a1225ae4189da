#include "profiles/resolution.hpp"

#include <algorithm>

#include "support/text.hpp"

namespace telvora {

std::string_view resolution_text(ResolutionKind kind) noexcept {
    switch (kind) {
        case ResolutionKind::Exact:
            return "exact";
        case ResolutionKind::Family:
            return "family";
        case ResolutionKind::DynamicProbe:
            return "dynamic_probe";
        case ResolutionKind::Unsupported:
            return "unsupported";
    }
    return "unsupported";
}

namespace {

char fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equal_folded(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return fold(x) == fold(y); });
}

// Whether the fragment, folded, occurs in a text that is already folded.
bool contains_folded(std::string_view folded_text, std::string_view fragment) {
    return !std::ranges::search(folded_text, fragment, [](char t, char f) { return t == fold(f); })
                .empty() ||
           fragment.empty();
}

}  // namespace

Resolution resolve(std::span<const MachineProfile> profiles, const MachineIdentity& identity) {
    if (identity.mtm) {
        for (const MachineProfile& profile : profiles) {
            if (profile.scope != ProfileScope::Model)
                continue;
            for (const std::string& mtm : profile.matches.mtm) {
                if (equal_folded(mtm, *identity.mtm))
                    return {ResolutionKind::Exact, &profile};
            }
        }
    }
    if (identity.display_name) {
        const std::string name = ascii_fold(*identity.display_name);
        for (const MachineProfile& profile : profiles) {
            if (profile.scope != ProfileScope::Family)
                continue;
            for (const std::string& fragment : profile.matches.version_contains) {
                if (contains_folded(name, fragment))
                    return {ResolutionKind::Family, &profile};
            }
        }
    }
    if (identity.manufacturer) {
        const std::string maker = ascii_fold(*identity.manufacturer);
        if (maker == "lenovo" && identity.display_name &&
            ascii_fold(*identity.display_name).find("thinkpad") != std::string::npos)
            return {ResolutionKind::DynamicProbe, nullptr};
        for (std::string_view vendor : DYNAMIC_PROBE_VENDORS) {
            if (maker.find(vendor) != std::string::npos)
                return {ResolutionKind::DynamicProbe, nullptr};
        }
    }
    return {ResolutionKind::Unsupported, nullptr};
}

}  // namespace telvora
