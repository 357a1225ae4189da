#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include "cli/documents.hpp"
#include "profiles/profile.hpp"
#include "profiles/resolution.hpp"

namespace {

telvora::MachineProfile profile(std::size_t i) {
    telvora::MachineProfile p;
    p.schema_version = 1;
    p.id = "generated-" + std::to_string(i);
    p.display_name = "Machine générée " + std::to_string(i);
    p.scope = telvora::ProfileScope::Model;
    p.matches.mtm = {std::to_string(2000 + i % 8000)};
    p.capabilities.push_back({.id = "keyboard_backlight",
                              .label = "Rétroéclairage du clavier",
                              .access = {telvora::Access::Ec{0x2F}},
                              .confidence = telvora::Confidence::Documented,
                              .sources = {"generated"},
                              .validated_on = {},
                              .bounds = telvora::Bounds{0, 2},
                              .notes = {}});
    return p;
}

void BM_DetectionReport(benchmark::State& state) {
    const telvora::MachineProfile matched = profile(9999);
    telvora::MachineIdentity identity;
    identity.manufacturer = "LENOVO";
    identity.mtm = "20XW";
    identity.display_name = "ThinkPad X1 Carbon Gen 9";
    identity.bios_vendor = "LENOVO";
    identity.bios_version = "N32ET86W (1.62 )";
    identity.bios_release_date = "03/14/2024";
    identity.sources = {
        "SMBIOS type 1 (System) : Manufacturer", "SMBIOS type 1 (System) : Product Name",
        "SMBIOS type 1 (System) : Version",      "SMBIOS type 0 (BIOS) : Vendor",
        "SMBIOS type 0 (BIOS) : Version",        "SMBIOS type 0 (BIOS) : Release Date"};
    const telvora::Resolution resolution{telvora::ResolutionKind::Exact, &matched};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            telvora::detection_report_text(identity, resolution, 10'000, "sysfs"));
}
BENCHMARK(BM_DetectionReport);

void BM_ProfileListing(benchmark::State& state) {
    std::vector<telvora::MachineProfile> profiles;
    for (std::size_t i = 0; i < static_cast<std::size_t>(state.range(0)); ++i)
        profiles.push_back(profile(i));
    for (auto _ : state)
        benchmark::DoNotOptimize(telvora::profile_listing_text(profiles));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ProfileListing)->Arg(3)->Arg(10'000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
