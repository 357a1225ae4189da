// The firmware table as GetSystemFirmwareTable returns it: RSMB header, then structures. The
// same bytes are also walked bare, as the Linux source hands them over.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "fuzz_check.hpp"
#include "hal/smbios/identity_builder.hpp"
#include "hal/smbios/smbios.hpp"
#include "hal/smbios/smbios_source.hpp"
#include "support/text.hpp"

namespace {

using telvora::fuzz::check;

void check_field(const std::optional<std::string>& value) {
    if (!value)
        return;
    check(!value->empty(), "present SMBIOS field is empty");
    check(telvora::trim_white_space(*value) == *value, "SMBIOS field keeps outer white space");
    check(telvora::is_valid_utf8(*value), "SMBIOS field is not UTF-8");
}

void check_identity(const telvora::MachineIdentity& id) {
    check(id.manufacturer.has_value() == id.sources.manufacturer.has_value(), "manufacturer label");
    check(id.mtm.has_value() == id.sources.mtm.has_value(), "mtm label");
    check(id.display_name.has_value() == id.sources.display_name.has_value(), "name label");
    check(id.bios_vendor.has_value() == id.sources.bios_vendor.has_value(), "vendor label");
    check(id.bios_version.has_value() == id.sources.bios_version.has_value(), "version label");
    check(id.bios_release_date.has_value() == id.sources.bios_release_date.has_value(),
          "date label");
    for (const auto* value : {&id.manufacturer, &id.display_name, &id.bios_vendor, &id.bios_version,
                              &id.bios_release_date})
        check_field(*value);
    if (id.mtm) {
        check(id.mtm->size() == 4, "mtm is not four characters");
        check((*id.mtm)[0] >= '0' && (*id.mtm)[0] <= '9', "mtm does not start with a digit");
        for (const char c : *id.mtm)
            check((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'), "mtm character");
    }
}

void walk(std::span<const std::byte> table) {
    const auto info = telvora::parse_smbios(table);
    if (!info) {
        check(info.error().kind == telvora::HalErrorKind::InvalidData, "table error kind");
        check(!info.error().message.empty(), "table error without message");
        return;
    }
    for (const auto* value :
         {&info->bios_vendor, &info->bios_version, &info->bios_release_date,
          &info->system_manufacturer, &info->system_product_name, &info->system_version,
          &info->system_family, &info->baseboard_product})
        check_field(*value);
    check_identity(telvora::build_identity(*info));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    walk(bytes);

    const auto table = telvora::extract_structure_table(bytes);
    if (table) {
        std::uint32_t length = 0;
        check(size >= 8, "header accepted in fewer than 8 bytes");
        std::memcpy(&length, data + 4, sizeof length);  // little-endian host
        check(table->size() == length && length <= size - 8, "table length differs from header");
        check(table->empty() || std::memcmp(table->data(), data + 8, table->size()) == 0,
              "table bytes changed");
        walk(*table);
    }
    return 0;
}
