#pragma once

#include "hal/smbios/smbios_source.hpp"

namespace telvora {

// Reads the table through GetSystemFirmwareTable (provider RSMB). Holds no data: every read
// asks Windows afresh.
class WindowsSmbiosSource final : public SmbiosSource {
  public:
    [[nodiscard]] HalResult<std::vector<std::byte>> read_smbios_table() override;
    [[nodiscard]] std::string_view backend_name() const override { return "windows-native"; }
};

}  // namespace telvora
