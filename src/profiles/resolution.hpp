#pragma once
// How the machine is supported: a profile of its model, of its family, probing, or nothing.

#include <array>
#include <span>
#include <string_view>

#include "hal/smbios/identity.hpp"
#include "profiles/profile.hpp"

namespace telvora {

// Lower-case fragments of makers whose machines are probed when no profile matches; in order.
inline constexpr std::array<std::string_view, 19> DYNAMIC_PROBE_VENDORS{
    "framework", "asus",       "asustek", "hp",        "hewlett-packard", "dell",     "acer",
    "msi",       "micro-star", "razer",   "samsung",   "lg electronics",  "gigabyte", "huawei",
    "microsoft", "toshiba",    "fujitsu", "panasonic", "alienware",
};

enum class ResolutionKind { Exact, Family, DynamicProbe, Unsupported };

struct Resolution {
    ResolutionKind kind = ResolutionKind::Unsupported;
    // The matched profile inside the list given to resolve, for Exact and Family; else null.
    const MachineProfile* profile = nullptr;

    friend bool operator==(const Resolution&, const Resolution&) = default;
};

// "exact", "family", "dynamic_probe" or "unsupported".
[[nodiscard]] std::string_view resolution_text(ResolutionKind kind) noexcept;

// The first rule that applies: exact machine type, family name fragment, ThinkPad, known maker.
[[nodiscard]] Resolution resolve(std::span<const MachineProfile> profiles,
                                 const MachineIdentity& identity);

}  // namespace telvora
