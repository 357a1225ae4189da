#include "hal/smbios/identity_builder.hpp"

#include <algorithm>
#include <vector>

#include "support/text.hpp"

namespace telvora {

namespace {

bool is_ascii_digit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool is_ascii_alnum(char32_t c) {
    return is_ascii_digit(c) || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

// Fills a value and its label together, so a label is present exactly when its value is.
void set_with_label(std::optional<std::string>& value, std::optional<std::string_view>& label,
                    std::optional<std::string> found, std::string_view found_label) {
    if (found) {
        value = std::move(found);
        label = found_label;
    }
}

}  // namespace

std::optional<std::string> clean_field(const std::optional<std::string>& value) {
    if (!value)
        return std::nullopt;
    const std::string_view trimmed = trim_white_space(*value);
    if (trimmed.empty())
        return std::nullopt;
    const std::string folded = ascii_fold(trimmed);
    if (std::ranges::find(PLACEHOLDER_VALUES, folded) != PLACEHOLDER_VALUES.end())
        return std::nullopt;
    return std::string(trimmed);
}

std::optional<std::string> machine_type_from_product(std::string_view product) {
    const std::string_view trimmed = trim_white_space(product);
    std::string type;
    std::size_t pos = 0;
    for (int k = 0; k < 4; ++k) {
        if (pos >= trimmed.size())
            return std::nullopt;
        const Utf8Step step = utf8_decode_one(trimmed, pos);
        if (!step.valid || !is_ascii_alnum(step.code_point))
            return std::nullopt;
        if (k == 0 && !is_ascii_digit(step.code_point))
            return std::nullopt;
        char c = static_cast<char>(step.code_point);
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
        type.push_back(c);
        pos += step.length;
    }
    return type;
}

MachineIdentity build_identity(const SmbiosInfo& info) {
    MachineIdentity identity;
    IdentitySources& sources = identity.sources;

    std::optional<std::string> product = clean_field(info.system_product_name);
    std::optional<std::string> mtm =
        product ? machine_type_from_product(*product) : std::optional<std::string>{};
    // A product name that gave the machine type is not also the model's name.
    if (mtm)
        product.reset();
    set_with_label(identity.mtm, sources.mtm, std::move(mtm), LABEL_PRODUCT_NAME);

    struct Candidate {
        std::optional<std::string> value;
        std::string_view label;
    };
    Candidate candidates[] = {
        {clean_field(info.system_version), LABEL_VERSION},
        {clean_field(info.system_family), LABEL_FAMILY},
        {std::move(product), LABEL_PRODUCT_NAME},
        {clean_field(info.baseboard_product), LABEL_BASEBOARD_PRODUCT},
    };
    for (Candidate& candidate : candidates) {
        if (candidate.value) {
            set_with_label(identity.display_name, sources.display_name, std::move(candidate.value),
                           candidate.label);
            break;
        }
    }

    set_with_label(identity.manufacturer, sources.manufacturer,
                   clean_field(info.system_manufacturer), LABEL_MANUFACTURER);
    set_with_label(identity.bios_vendor, sources.bios_vendor, info.bios_vendor, LABEL_BIOS_VENDOR);
    set_with_label(identity.bios_version, sources.bios_version, info.bios_version,
                   LABEL_BIOS_VERSION);
    set_with_label(identity.bios_release_date, sources.bios_release_date, info.bios_release_date,
                   LABEL_BIOS_RELEASE_DATE);
    return identity;
}

HalResult<MachineIdentity> detect_identity(SmbiosSource& source) {
    const HalResult<std::vector<std::byte>> table = source.read_smbios_table();
    if (!table)
        return std::unexpected(table.error());
    const HalResult<SmbiosInfo> info = parse_smbios(*table);
    if (!info)
        return std::unexpected(info.error());
    return build_identity(*info);
}

}  // namespace telvora
