#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/commands.hpp"
#include "cli/recording_output.hpp"
#include "hal/smbios/table_builder.hpp"

namespace telvora {
namespace {

namespace fs = std::filesystem;

// Counts reads, and names its backend only once read, as the Linux source does.
class FakeSource final : public SmbiosSource {
  public:
    explicit FakeSource(HalResult<std::vector<std::byte>> table) : table_(std::move(table)) {}
    HalResult<std::vector<std::byte>> read_smbios_table() override {
        ++reads;
        backend_ = "fake-after-read";
        return table_;
    }
    std::string_view backend_name() const override { return backend_; }
    int reads = 0;

  private:
    HalResult<std::vector<std::byte>> table_;
    std::string_view backend_ = "fake-before-read";
};

constexpr std::string_view MODEL_20XW = R"toml(schema_version = 1
id = "x1-gen9"
display_name = "X1 Gen 9"
scope = "model"
[matches]
mtm = ["20XX", "20xw"]
[[capabilities]]
id = "kb"
label = "Clavier"
confidence = "assumed"
sources = ["doc"]
access = { method = "platform_profile" }
)toml";

constexpr std::string_view FAMILY_X1 = R"toml(schema_version = 1
id = "x1"
display_name = "X1 (toutes)"
scope = "family"
[matches]
version_contains = ["x1 CARBON"]
)toml";

constexpr std::string_view BLANK_ID = R"toml(schema_version = 1
id = " "
display_name = "?"
scope = "model"
[matches]
mtm = ["20XW"]
)toml";

class CommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / (std::string("telvora-commands-") + info->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "profiles");
        line_.profiles = utf8(root_ / "profiles") + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static std::string utf8(const fs::path& p) {
        const std::u8string text = p.generic_u8string();
        return {text.begin(), text.end()};
    }
    void add_profile(const std::string& name, std::string_view text) const {
        std::ofstream(root_ / "profiles" / name, std::ios::binary) << text;
    }
    std::string out_path() const { return utf8(root_ / "report.json"); }
    static std::string read(const std::string& path) {
        std::ifstream in(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path root_;
    CommandLine line_;
    RecordingOutput output_;
    FakeSource thinkpad_{test::thinkpad_table()};
};

TEST_F(CommandsTest, MissingDirectoryFailsBeforeTheFirmwareIsRead) {
    line_.profiles = utf8(root_ / "absent");
    line_.out = out_path();
    EXPECT_EQ(run_detect(line_, thinkpad_, output_), 1);
    EXPECT_EQ(thinkpad_.reads, 0);
    EXPECT_EQ(output_.out, "");
    EXPECT_TRUE(output_.err.starts_with("erreur : profils (" + line_.profiles + ") : "))
        << output_.err;
    EXPECT_TRUE(output_.err.ends_with(")\n")) << output_.err;
    EXPECT_NE(output_.err.find(" (os error "), std::string::npos) << output_.err;
    EXPECT_FALSE(fs::exists(root_ / "report.json"));
}

TEST_F(CommandsTest, InvalidProfileNamesDirectoryFileAndRule) {
    add_profile("a.toml", MODEL_20XW);
    add_profile("b.toml", BLANK_ID);
    line_.out = out_path();
    const std::string expected = "erreur : profils (" + line_.profiles + ") : " + line_.profiles +
                                 "b.toml : profil «   » : identifiant vide\n";
    EXPECT_EQ(run_detect(line_, thinkpad_, output_), 1);
    EXPECT_EQ(thinkpad_.reads, 0);
    EXPECT_EQ(output_.err, expected);

    RecordingOutput listing;
    EXPECT_EQ(run_profiles(line_, listing), 1);
    EXPECT_EQ(listing.out, "");
    EXPECT_EQ(listing.err, expected);
    EXPECT_FALSE(fs::exists(root_ / "report.json"));
}

TEST_F(CommandsTest, FirmwareErrorIsPrintedUnchanged) {
    FakeSource refused(hal_error(HalErrorKind::AccessDenied, "lecture de la table RSMB refusée"));
    line_.out = out_path();
    EXPECT_EQ(run_detect(line_, refused, output_), 1);
    EXPECT_EQ(refused.reads, 1);
    EXPECT_EQ(output_.out, "");
    EXPECT_EQ(output_.err, "erreur : accès refusé : lecture de la table RSMB refusée\n");
    EXPECT_FALSE(fs::exists(root_ / "report.json"));
}

TEST_F(CommandsTest, ReportGoesToStdoutOrToTheSameBytesInOut) {
    // The family profile sorts first, yet the machine type wins.
    add_profile("a-family.toml", FAMILY_X1);
    add_profile("b-model.toml", MODEL_20XW);
    add_profile("notes.txt", "ignored");
    EXPECT_EQ(run_detect(line_, thinkpad_, output_), 0);
    EXPECT_EQ(output_.err, "");
    const std::string& report = output_.out;
    EXPECT_TRUE(report.starts_with("{\n  \"notice\": \"Rapport anonymisé : ")) << report;
    EXPECT_NE(report.find("\n  \"backend\": \"fake-after-read\",\n"), std::string::npos);
    EXPECT_NE(report.find("\n  \"mtm\": \"20XW\",\n"), std::string::npos);
    EXPECT_NE(report.find("\n  \"resolution\": \"exact\",\n  \"profile_id\": \"x1-gen9\",\n"
                          "  \"profiles_loaded\": 2,\n"),
              std::string::npos)
        << report;
    EXPECT_TRUE(report.ends_with("\n  }\n}\n")) << report;

    line_.out = out_path();
    RecordingOutput quiet;
    EXPECT_EQ(run_detect(line_, thinkpad_, quiet), 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(read(*line_.out), report);
}

TEST_F(CommandsTest, FamilyMatchWithoutModelProfile) {
    add_profile("x1.toml", FAMILY_X1);
    EXPECT_EQ(run_detect(line_, thinkpad_, output_), 0);
    EXPECT_NE(output_.out.find("\n  \"resolution\": \"family\",\n  \"profile_id\": \"x1\",\n"
                               "  \"profiles_loaded\": 1,\n"),
              std::string::npos)
        << output_.out;
}

TEST_F(CommandsTest, ListingInFileNameOrderToStdoutOrOut) {
    add_profile("b.toml", MODEL_20XW);
    add_profile("a.toml", FAMILY_X1);
    EXPECT_EQ(run_profiles(line_, output_), 0);
    EXPECT_EQ(output_.err, "");
    const auto family = output_.out.find("\"id\": \"x1\"");
    const auto model = output_.out.find("\"id\": \"x1-gen9\"");
    ASSERT_NE(family, std::string::npos) << output_.out;
    ASSERT_NE(model, std::string::npos) << output_.out;
    EXPECT_LT(family, model);
    EXPECT_NE(output_.out.find("\"scope\": \"model\",\n      \"capabilities\": 1\n"),
              std::string::npos);
    EXPECT_NE(output_.out.find("\"scope\": \"family\",\n      \"capabilities\": 0\n"),
              std::string::npos);

    line_.out = out_path();
    RecordingOutput quiet;
    EXPECT_EQ(run_profiles(line_, quiet), 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(read(*line_.out), output_.out);
}

TEST_F(CommandsTest, EmptyDirectoryListsNothingAndDetectsWithoutProfiles) {
    EXPECT_EQ(run_profiles(line_, output_), 0);
    EXPECT_TRUE(output_.out.ends_with("\n  \"profiles\": []\n}\n")) << output_.out;

    RecordingOutput report;
    EXPECT_EQ(run_detect(line_, thinkpad_, report), 0);
    // A Lenovo with a ThinkPad name and no profile: probed.
    EXPECT_NE(report.out.find("\n  \"resolution\": \"dynamic_probe\",\n  \"profile_id\": null,\n"
                              "  \"profiles_loaded\": 0,\n"),
              std::string::npos)
        << report.out;
}

}  // namespace
}  // namespace telvora
