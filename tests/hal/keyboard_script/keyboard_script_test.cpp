// What the program relies on in the embedded probe script: its encoding, how it is called and
// what it answers with. Its behaviour on the hardware is checked by the interop and grammar
// tests beside this one, and only on Windows beyond that.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hal/keyboard/keyboard_script.hpp"

namespace telvora {
namespace {

const std::string_view& script = KEYBOARD_SCRIPT;

std::size_t line_of(std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(
                   script.begin(), script.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// The lines from the one that equals `first` up to the next line that equals `last`.
std::vector<std::string_view> block(std::string_view first, std::string_view last) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    bool inside = false;
    while (pos < script.size()) {
        std::size_t end = script.find('\n', pos);
        if (end == std::string_view::npos) {
            end = script.size();
        }
        const std::string_view line = script.substr(pos, end - pos);
        pos = end + 1;
        if (!inside) {
            inside = line == first;
            continue;
        }
        if (line == last) {
            return lines;
        }
        lines.push_back(line);
    }
    return {};
}

TEST(KeyboardScript, IsPlainAsciiWithLfLineEnds) {
    ASSERT_FALSE(script.empty());
    const auto bad = std::find_if(script.begin(), script.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 || byte == '\r' || byte == 0;
    });
    EXPECT_EQ(bad, script.end()) << "byte 0x" << std::hex
                                 << static_cast<int>(static_cast<unsigned char>(*bad)) << std::dec
                                 << " on line "
                                 << line_of(static_cast<std::size_t>(bad - script.begin()));
    EXPECT_EQ(script.back(), '\n');
}

TEST(KeyboardScript, TakesModeLevelAndFrameworkDir) {
    const std::vector<std::string_view> expected = {
        "    [ValidateSet('read', 'write', IgnoreCase = $false)]",
        "    [string]$Mode = 'read',",
        "    [int]$Level = 0,",
        "    [string]$FrameworkDir = ''",
    };
    EXPECT_EQ(block("param(", ")"), expected);
    // Nothing but comments and the binding attribute may come before the parameters.
    const std::size_t param = script.find("\nparam(\n");
    ASSERT_NE(param, std::string_view::npos);
    std::size_t pos = 0;
    while (pos <= param) {
        const std::size_t end = script.find('\n', pos);
        const std::string_view line = script.substr(pos, end - pos);
        EXPECT_TRUE(line.starts_with("#") || line == "[CmdletBinding()]") << line;
        pos = end + 1;
    }
}

TEST(KeyboardScript, RecordHasItsEightKeysInOrderWithTheirFirstValues) {
    const std::vector<std::string_view> expected = {
        "    available = $false", "    known = $false", "    level = 0",
        "    max_level = 2",      "    source = ''",    "    applied = $false",
        "    verified = $false",  "    reason = ''",
    };
    EXPECT_EQ(block("$Result = [ordered]@{", "}"), expected);
    EXPECT_NE(script.find("ConvertTo-Json -InputObject $script:Result -Compress"),
              std::string_view::npos);
}

TEST(KeyboardScript, TriesTheFourInterfacesInOrderThenGivesTheFinalReason) {
    // The main body follows the last function.
    const std::size_t last_function = script.rfind("\nfunction ");
    ASSERT_NE(last_function, std::string_view::npos);
    std::string body;
    for (const char c : script.substr(script.find("\n}\n", last_function) + 3)) {
        if (c != '\n' || (!body.empty() && body.back() != '\n')) {
            body += c;  // blank lines dropped
        }
    }
    const std::string_view steps[] = {
        "if (-not [string]::IsNullOrEmpty($FrameworkDir)) {\n    Invoke-FrameworkProbe\n}\n",
        "Invoke-ThinkPadProbe\n",
        "Invoke-HidProbe\n",
        "Invoke-LenovoWmiProbe\n",
        "if (-not $Result.available) {\n"
        "    $reason = 'aucune interface de retroeclairage clavier detectee'\n"
        "    if ($ProbeFailures.Count -gt 0) {\n"
        "        $reason += ' (' + ($ProbeFailures -join '; ') + ')'\n"
        "    }\n"
        "    $Result.reason = $reason\n"
        "}\n",
        "Emit-Result\n",
    };
    std::size_t pos = 0;
    for (const std::string_view step : steps) {
        EXPECT_EQ(body.substr(pos, step.size()), step);
        pos += step.size();
    }
    EXPECT_EQ(pos, body.size()) << "after the final emit: " << body.substr(pos);
    for (const std::string_view probe : {"Framework", "ThinkPad", "Hid", "LenovoWmi"}) {
        const std::string definition = "\nfunction Invoke-" + std::string(probe) + "Probe {\n";
        EXPECT_NE(script.find(definition), std::string_view::npos) << probe;
    }
}

// Texts the program and its users see; "{}" stands for a number the script fills in.
TEST(KeyboardScript, HasEveryMessageVerbatim) {
    const std::string_view messages[] = {
        "niveau hors limites",
        "commande Framework envoyee ; confirmation indisponible",
        "Framework : {}",
        "IBMPmDrv absent (erreur {})",
        "DeviceIoControl {} (erreur {})",
        "retroeclairage non pret (0x{})",
        "lecture de confirmation differente",
        "ThinkPad PM : retroeclairage non pret",
        "ThinkPad PM : {}",
        "HID : {}",
        "instance WMI absente",
        "niveau WMI hors plage",
        "commande WMI envoyee ; confirmation indisponible",
        "Lenovo WMI : {}",
        "aucune interface de retroeclairage clavier detectee",
        "peripherique HID absent",
        "ouverture HID impossible (erreur {})",
        "descripteur HID illisible",
        "rapport Set Level refuse (0x{})",
        "aucun rapport HID accepte (erreur {})",
        "etat HID non lisible (rapport de confirmation absent)",
        "commande HID envoyee ; confirmation indisponible",
    };
    const auto quoted = [](std::string_view text, bool closed) {
        for (const char quote : {'\'', '"'}) {
            std::string literal = quote + std::string(text);
            if (closed) {
                literal += quote;
            }
            if (script.find(literal) != std::string_view::npos) {
                return true;
            }
        }
        return false;
    };
    for (const std::string_view message : messages) {
        // Each fixed piece of a template starts a string literal of its own.
        std::size_t pos = 0;
        while (pos <= message.size()) {
            std::size_t hole = message.find("{}", pos);
            const bool last = hole == std::string_view::npos;
            if (last) {
                hole = message.size();
            }
            const std::string_view piece = message.substr(pos, hole - pos);
            const bool whole = pos == 0 && last;
            if (piece.size() > 1) {
                EXPECT_TRUE(quoted(piece, whole))
                    << "missing: \"" << piece << "\" of \"" << message << "\"";
            }
            pos = hole + 2;
        }
    }
}

}  // namespace
}  // namespace telvora
