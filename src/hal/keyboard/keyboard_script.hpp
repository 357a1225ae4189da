#pragma once

#include <string_view>

namespace telvora {

// The PowerShell probe script, byte for byte as keyboard_script.ps1 in the source tree.
extern const std::string_view KEYBOARD_SCRIPT;

}  // namespace telvora
