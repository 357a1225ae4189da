#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "profiles/profile_loader.hpp"
#include "profiles/resolution.hpp"

namespace {

namespace fs = std::filesystem;

std::string mtm_of(std::size_t i) {
    std::string mtm = "2000";
    for (std::size_t pos = 3; pos > 0; --pos, i /= 36)
        mtm[pos] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36];
    return mtm;
}

// A realistic profile: a model with two machine types and three capabilities.
std::string document(std::size_t i) {
    return "schema_version = 1\nid = \"model-" + std::to_string(i) + "\"\ndisplay_name = \"Model " +
           std::to_string(i) + "\"\nscope = \"model\"\n[matches]\nmtm = [\"" + mtm_of(i) +
           "\"]\nversion_contains = [\"Model\"]\n"
           "[[capabilities]]\nid = \"kbd\"\nlabel = \"Clavier\"\nconfidence = \"assumed\"\n"
           "sources = [\"s\"]\nbounds = { min = 0, max = 2 }\n"
           "access = { method = \"ec\", offset = 0x2F }\n"
           "[[capabilities]]\nid = \"pl\"\nlabel = \"PL\"\nconfidence = \"documented\"\n"
           "sources = [\"SDM\"]\naccess = { method = \"msr\", address = 0x610 }\n"
           "[[capabilities]]\nid = \"bios\"\nlabel = \"BIOS\"\nconfidence = \"documented\"\n"
           "sources = [\"guide\"]\n"
           "access = { method = \"wmi\", class = \"Lenovo_BiosSetting\", property = "
           "\"CurrentSetting\" }\n";
}

void BM_LoadProfiles(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const fs::path dir = fs::temp_directory_path() / ("telvora-bench-" + std::to_string(count));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (std::size_t i = 0; i < count; ++i)
        std::ofstream(dir / ("p" + std::to_string(i) + ".toml")) << document(i);
    for (auto _ : state) {
        auto profiles = telvora::load_profiles(dir.string());
        if (!profiles || profiles->size() != count)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(profiles);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
    fs::remove_all(dir);
}
BENCHMARK(BM_LoadProfiles)->Arg(1)->Arg(100)->Arg(10'000)->Unit(benchmark::kMillisecond);

// The worst case: no profile matches, so every entry of every profile is compared.
void BM_ResolveUnmatched(benchmark::State& state) {
    std::vector<telvora::MachineProfile> profiles;
    for (std::size_t i = 0; i < 10'000; ++i) {
        telvora::MachineProfile p;
        p.id = "p" + std::to_string(i);
        p.scope = i % 2 ? telvora::ProfileScope::Family : telvora::ProfileScope::Model;
        p.matches = {{mtm_of(i)}, {"Family " + std::to_string(i)}};
        profiles.push_back(std::move(p));
    }
    telvora::MachineIdentity identity;
    identity.manufacturer = "LENOVO";
    identity.mtm = "ZZZZ";
    identity.display_name = "ThinkPad X1 Carbon Gen 9";
    for (auto _ : state)
        benchmark::DoNotOptimize(telvora::resolve(profiles, identity));
}
BENCHMARK(BM_ResolveUnmatched)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
