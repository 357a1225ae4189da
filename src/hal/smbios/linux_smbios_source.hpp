#pragma once

#include <filesystem>

#include "hal/smbios/smbios_source.hpp"

namespace telvora {

// Reads the raw table from <root>/firmware/dmi/tables/DMI (root only on most systems). When that
// file is refused or missing, builds an equivalent table from the world-readable
// <root>/class/dmi/id files, so that an unprivileged user still gets an identity.
class LinuxSmbiosSource final : public SmbiosSource {
  public:
    explicit LinuxSmbiosSource(std::filesystem::path sysfs_root = "/sys");

    [[nodiscard]] HalResult<std::vector<std::byte>> read_smbios_table() override;

    // "linux-sysfs" (raw table) or "linux-dmi-id" (rebuilt); "linux-sysfs" before any read.
    [[nodiscard]] std::string_view backend_name() const override { return backend_; }

  private:
    std::filesystem::path root_;
    std::string_view backend_ = "linux-sysfs";
};

}  // namespace telvora
