#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hal/json/json_reader.hpp"
#include "hal/keyboard/keyboard.hpp"
#include "hal/service/pipe_protocol.hpp"
#include "hal/smbios/identity_builder.hpp"
#include "hal/smbios/smbios.hpp"
#include "profiles/profile.hpp"

namespace {

void append(std::vector<std::byte>& out, std::string_view text) {
    for (const char c : text)
        out.push_back(static_cast<std::byte>(c));
}

// One structure whose string numbers sit at the given formatted offsets.
void add_structure(std::vector<std::byte>& table, int type, std::size_t length,
                   const std::vector<std::size_t>& offsets,
                   const std::vector<std::string>& strings) {
    const std::size_t start = table.size();
    table.resize(start + length, std::byte{0});
    table[start] = static_cast<std::byte>(type);
    table[start + 1] = static_cast<std::byte>(length);
    for (std::size_t i = 0; i < offsets.size(); ++i)
        table[start + offsets[i]] = static_cast<std::byte>(i + 1);
    for (const std::string& s : strings) {
        append(table, s);
        table.push_back(std::byte{0});
    }
    if (strings.empty())
        table.push_back(std::byte{0});
    table.push_back(std::byte{0});
}

// A laptop-sized table: about 4 KB in 60 structures, identity structures first as firmware
// lays them out, then processor, caches, ports, slots and memory devices.
std::vector<std::byte> laptop_table() {
    std::vector<std::byte> table;
    add_structure(table, 0, 0x1A, {4, 5, 8}, {"LENOVO", "N32ET86W (1.62 )", "03/14/2024"});
    add_structure(
        table, 1, 0x1B, {4, 5, 6, 7, 0x19, 0x1A},
        {"LENOVO", "20XWCTO1WW", "ThinkPad X1 Carbon Gen 9", "PF3ABCDE",
         "LENOVO_MT_20XW_BU_Think_FM_ThinkPad X1 Carbon Gen 9", "ThinkPad X1 Carbon Gen 9"});
    add_structure(table, 2, 0x0F, {4, 5, 6, 7, 8, 0x0A},
                  {"LENOVO", "20XWCTO1WW", "SDK0J40697 WIN", "L1HF16P00QK", "Not Available",
                   "Not Available"});
    add_structure(table, 3, 0x16, {4, 6, 7, 8},
                  {"LENOVO", "None", "PF3ABCDE", "No Asset Information"});
    add_structure(table, 4, 0x30, {4, 7, 0x10, 0x20, 0x21, 0x22},
                  {"U3E1", "Intel(R) Corporation", "11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz",
                   "None", "None", "None"});
    for (int i = 0; i < 3; ++i)
        add_structure(table, 7, 0x1B, {4}, {"L" + std::to_string(i + 1) + " Cache"});
    for (int i = 0; i < 18; ++i)
        add_structure(
            table, 8, 0x09, {4, 6},
            {"Not Available", "USB-C port " + std::to_string(i) + " (Type-C, Thunderbolt 4)"});
    for (int i = 0; i < 4; ++i)
        add_structure(table, 9, 0x11, {4}, {"Media Card Slot " + std::to_string(i)});
    for (int i = 0; i < 8; ++i)
        add_structure(table, 17, 0x54, {0x10, 0x11, 0x17, 0x18, 0x19, 0x1A},
                      {"ChannelA-DIMM" + std::to_string(i), "BANK " + std::to_string(i), "Samsung",
                       "00000000", "None", "K4UBE3D4AA-MGCL"});
    for (int i = 0; i < 20; ++i)
        add_structure(table, 0x85 + i % 4, 0x14, {4}, {"OEM data block " + std::to_string(i)});
    add_structure(table, 11, 0x05, {4, 5, 6},
                  {"J1Lenovo OEM string", "ThinkPad Embedded Controller Program 1.35",
                   "Lenovo Vantage capable"});
    add_structure(table, 127, 0x04, {}, {});
    return table;
}

void BM_SmbiosIdentity(benchmark::State& state) {
    const std::vector<std::byte> table = laptop_table();
    for (auto _ : state) {
        auto info = telvora::parse_smbios(table);
        if (!info)
            state.SkipWithError("parse failed");
        auto identity = telvora::build_identity(*info);
        benchmark::DoNotOptimize(identity);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
    state.counters["bytes"] = static_cast<double>(table.size());
}
BENCHMARK(BM_SmbiosIdentity);

// A model profile with two machine types and one capability of each access method.
constexpr std::string_view PROFILE = R"(schema_version = 1
id = "thinkpad-x1-carbon-gen9"
display_name = "ThinkPad X1 Carbon Gen 9"
scope = "model"

[matches]
mtm = ["20XW", "20XX"]
version_contains = ["ThinkPad X1 Carbon Gen 9"]

[[capabilities]]
id = "keyboard_backlight"
label = "Rétroéclairage du clavier"
confidence = "validated"
validated_on = "20XW, BIOS N32ET86W"
sources = ["Lenovo PSREF", "thinkpad_acpi"]
bounds = { min = 0, max = 2 }
access = { method = "acpi", path = "\\_SB.PCI0.LPCB.EC.HKEY.MLCG" }

[[capabilities]]
id = "pl1"
label = "Limite de puissance PL1"
confidence = "documented"
sources = ["Intel SDM vol. 4"]
access = { method = "msr", address = 0x610 }

[[capabilities]]
id = "fan"
label = "Ventilateur"
confidence = "assumed"
sources = ["EC dump"]
notes = "Lecture seule."
access = { method = "ec", offset = 0x2F }

[[capabilities]]
id = "battery_threshold"
label = "Seuil de charge"
confidence = "documented"
sources = ["Lenovo WMI guide"]
access = { method = "wmi", class = "Lenovo_BiosSetting", property = "CurrentSetting" }

[[capabilities]]
id = "power_profile"
label = "Profil d'alimentation"
confidence = "assumed"
sources = ["platform_profile"]
access = { method = "platform_profile" }
)";

void BM_ProfileDocument(benchmark::State& state) {
    for (auto _ : state) {
        auto profile = telvora::load_profile_text(PROFILE);
        if (!profile)
            state.SkipWithError("profile refused");
        benchmark::DoNotOptimize(profile);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * PROFILE.size()));
}
BENCHMARK(BM_ProfileDocument);

// A write request padded with ignored members to the pipe's 4096-byte limit.
std::string large_request() {
    std::string request = R"({"op":"keyboard_write","level":2,"client":{"name":"Réglages",)"
                          R"("version":[1,4,2],"pid":4242,"elevated":false},"history":[)";
    for (int i = 0;; ++i) {
        std::string entry = R"({"at":"2026-12-11T05:)" + std::to_string(10 + i % 50) +
                            R"(:00Z","level":)" + std::to_string(i % 3) + R"(,"ratio":0.)" +
                            std::to_string(125 + i) + R"(,"note":"niveau\tok"})";
        if (request.size() + entry.size() + 4 > telvora::PIPE_REQUEST_MAX)
            break;
        if (i > 0)
            request += ',';
        request += entry;
    }
    request += "]}\n";
    return request;
}

void BM_JsonRequest(benchmark::State& state) {
    const std::string request = large_request();
    for (auto _ : state) {
        auto value = telvora::read_json_value(request);
        if (!value)
            state.SkipWithError("request refused");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * request.size()));
    state.counters["bytes"] = static_cast<double>(request.size());
}
BENCHMARK(BM_JsonRequest);

class MemoryKeyboard final : public telvora::KeyboardOperations {
  public:
    telvora::HalResult<telvora::KeyboardState> read() override { return state_; }
    telvora::HalResult<telvora::KeyboardState> write(std::uint8_t level) override {
        state_.level = level;
        return state_;
    }

  private:
    telvora::KeyboardState state_{true, telvora::KeyboardSource::ThinkpadPm, 0, 2};
};

// The service's work per connection apart from pipe I/O and the hardware.
void BM_PipeRequest(benchmark::State& state) {
    const std::string request = large_request();
    MemoryKeyboard keyboard;
    for (auto _ : state)
        benchmark::DoNotOptimize(telvora::handle_request(request, keyboard));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * request.size()));
}
BENCHMARK(BM_PipeRequest);

void BM_KeyboardAnswer(benchmark::State& state) {
    const std::string_view answer = R"({"available":true,"known":true,"level":1,"max_level":2,)"
                                    R"("source":"thinkpad-pm","applied":true,"reason":""})"
                                    "\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(
            telvora::interpret_keyboard_json(answer, telvora::KeyboardMode::Write));
}
BENCHMARK(BM_KeyboardAnswer);

}  // namespace

BENCHMARK_MAIN();
