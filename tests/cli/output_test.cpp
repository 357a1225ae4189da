#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/dispatch.hpp"
#include "cli/output.hpp"
#include "cli/recording_output.hpp"

namespace telvora {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / (std::string("telvora-cli-") + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    [[nodiscard]] const fs::path& path() const { return path_; }
    [[nodiscard]] std::string utf8(const fs::path& p) const {
        const std::u8string text = p.u8string();
        return {text.begin(), text.end()};
    }

  private:
    fs::path path_;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WriteOutput, PrintsTextAndOneLineFeedWithoutOut) {
    RecordingOutput output;
    EXPECT_EQ(write_output("{\n  \"a\": 1\n}", std::nullopt, output), 0);
    EXPECT_EQ(output.out, "{\n  \"a\": 1\n}\n");
    EXPECT_EQ(output.err, "");
}

TEST(WriteOutput, ReplacesTheWholeFileAndPrintsNothing) {
    TempDir dir;
    // A non-ASCII name shows that the path reaches the system as Unicode.
    const fs::path file = dir.path() / fs::path(u8"rapport-é.json");
    { std::ofstream(file, std::ios::binary) << std::string(1000, 'x'); }
    RecordingOutput output;
    EXPECT_EQ(write_output("{\"é\": 1}", dir.utf8(file), output), 0);
    EXPECT_EQ(read_file(file), "{\"é\": 1}\n");
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, "");
}

TEST(WriteOutput, ReportsAnUnwritablePathWithTheSystemError) {
    TempDir dir;
    const std::vector<std::string> paths = {dir.utf8(dir.path()),
                                            dir.utf8(dir.path() / "absent" / "r.json")};
    const std::regex system_error(" : [^\n]+ \\(os error [1-9][0-9]*\\)\n");
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        RecordingOutput output;
        EXPECT_EQ(write_output("{}", path, output), 1);
        EXPECT_EQ(output.out, "");
        const std::string prefix = "erreur : écriture de " + path;
        ASSERT_TRUE(output.err.starts_with(prefix)) << output.err;
        EXPECT_TRUE(std::regex_match(output.err.substr(prefix.size()), system_error)) << output.err;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "absent"));
}

struct MainCase {
    std::vector<std::string> args;
    int code;
    std::string out;
    std::string err;
};

TEST(RunMain, UsageAndUsageErrors) {
    const std::string usage = std::string(USAGE) + "\n";
    const MainCase runs[] = {
        {{}, 2, usage, ""},
        {{"-h"}, 0, usage, ""},
        {{"--help", "detect"}, 0, usage, ""},
        {{"detect", "--help"}, 2, "", "erreur : valeur manquante pour --help\n\n" + usage},
        {{"x", "-o", "v"}, 2, "", "erreur : option inconnue : -o\n\n" + usage},
        {{"Detect"}, 2, "", "commande inconnue : Detect\n\n" + usage},
        {{"service"},
         2,
         "",
         "erreur : sous-action manquante pour service : install ou uninstall\n\n" + usage},
        {{"service", "INSTALL"},
         2,
         "",
         "commande service inconnue (install ou uninstall)\n\n" + usage},
    };
    for (const MainCase& run : runs) {
        SCOPED_TRACE(::testing::PrintToString(run.args));
        RecordingOutput output;
        EXPECT_EQ(run_main(run.args, output), run.code);
        EXPECT_EQ(output.out, run.out);
        EXPECT_EQ(output.err, run.err);
    }
}

TEST(RunMain, AFailingRunCreatesNoOutFile) {
    TempDir dir;
    const fs::path file = dir.path() / "r.json";
    RecordingOutput output;
    const std::vector<std::string> args = {"detect", "--out", dir.utf8(file), "--bogus"};
    EXPECT_EQ(run_main(args, output), 2);
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace telvora
