// Prints what the system source reads, one "name=value" line each, "-" for an absent value.

#include <cstdio>
#include <optional>
#include <string>

#include "hal/smbios/identity_builder.hpp"
#include "hal/smbios/windows_smbios_source.hpp"

namespace {

void print(const char* name, const std::optional<std::string>& value) {
    std::printf("%s=%s\n", name, value ? value->c_str() : "-");
}

}  // namespace

int main() {
    telvora::WindowsSmbiosSource source;
    const auto table = source.read_smbios_table();
    if (!table) {
        std::printf("error=%s\n", table.error().display().c_str());
        return 1;
    }
    const auto info = telvora::parse_smbios(*table);
    if (!info) {
        std::printf("error=%s\n", info.error().display().c_str());
        return 1;
    }
    std::printf("backend=%s\n", std::string(source.backend_name()).c_str());
    print("bios_vendor", info->bios_vendor);
    print("bios_version", info->bios_version);
    print("bios_release_date", info->bios_release_date);
    print("system_manufacturer", info->system_manufacturer);
    print("system_product_name", info->system_product_name);
    print("system_version", info->system_version);
    print("system_family", info->system_family);
    print("baseboard_product", info->baseboard_product);
    const telvora::MachineIdentity id = telvora::build_identity(*info);
    print("manufacturer", id.manufacturer);
    print("mtm", id.mtm);
    print("display_name", id.display_name);
    return 0;
}
