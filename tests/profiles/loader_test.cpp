#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "profiles/profile_loader.hpp"
#include "support/os_error.hpp"

namespace telvora {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
constexpr std::uint32_t NOT_FOUND = 3;     // ERROR_PATH_NOT_FOUND
constexpr std::uint32_t IS_DIRECTORY = 5;  // ERROR_ACCESS_DENIED
#else
constexpr char SEPARATOR = '/';
constexpr std::uint32_t NOT_FOUND = 2;      // ENOENT
constexpr std::uint32_t IS_DIRECTORY = 21;  // EISDIR
#endif

std::string document(const std::string& id, const std::string& mtm = "20AB") {
    return "schema_version = 1\nid = \"" + id +
           "\"\ndisplay_name = \"D\"\nscope = \"model\"\nmatches = { mtm = [\"" + mtm + "\"] }\n";
}

class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("telvora-profiles-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }
    [[nodiscard]] std::string path() const { return path_.string(); }

  private:
    fs::path path_;
};

std::vector<std::string> ids(const std::vector<MachineProfile>& profiles) {
    std::vector<std::string> out;
    for (const MachineProfile& p : profiles)
        out.push_back(p.id);
    return out;
}

TEST(LoadProfiles, SelectsTomlEntriesInByteOrder) {
    const TempDir dir;
    for (const char* name : {"c.toml", "B.toml", "a-x.toml", "a.toml", "a.b.toml", ".x.toml"})
        dir.write(name, document(name));
    for (const char* name : {"D.TOML", "e.Toml", ".toml", "notes.txt", "z.toml.bak", "toml"})
        dir.write(name, "not a profile");
    auto profiles = load_profiles(dir.path());
    ASSERT_TRUE(profiles) << profiles.error().display();
    EXPECT_EQ(ids(*profiles), (std::vector<std::string>{".x.toml", "B.toml", "a-x.toml", "a.b.toml",
                                                        "a.toml", "c.toml"}));
}

TEST(LoadProfiles, AcceptsEmptyDirectoriesDuplicatesAndByteOrderMarks) {
    const TempDir dir;
    auto empty = load_profiles(dir.path());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    dir.write("a.toml", "\xEF\xBB\xBF" + document("same"));
    dir.write("b.toml", document("same"));
    auto profiles = load_profiles(dir.path() + SEPARATOR);
    ASSERT_TRUE(profiles) << profiles.error().display();
    EXPECT_EQ(ids(*profiles), (std::vector<std::string>{"same", "same"}));
}

TEST(LoadProfiles, FailsWithTheSystemError) {
    const TempDir dir;
    const std::string missing = dir.path() + SEPARATOR + "missing";
    EXPECT_EQ(load_profiles(missing).error(),
              ProfileLoadError{ProfileLoadError::SystemFailure{NOT_FOUND}});
    EXPECT_EQ(load_profiles("").error(),
              ProfileLoadError{ProfileLoadError::SystemFailure{NOT_FOUND}});
    EXPECT_EQ(load_profiles(missing).error().display(), system_error_text(NOT_FOUND));
    EXPECT_TRUE(
        system_error_text(NOT_FOUND).ends_with(" (os error " + std::to_string(NOT_FOUND) + ")"));

    dir.write("a.toml", document("a"));
    fs::create_directory(fs::path(dir.path()) / "sub.toml");
    EXPECT_EQ(load_profiles(dir.path()).error(),
              ProfileLoadError{ProfileLoadError::SystemFailure{IS_DIRECTORY}});
}

TEST(LoadProfiles, StopsAtTheFirstBadFile) {
    const TempDir dir;
    dir.write("a.toml", document("a"));
    dir.write("b.toml", document("b", "20A"));
    dir.write("c.toml", "=");
    auto failed = load_profiles(dir.path());
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().display(),
              dir.path() + SEPARATOR + "b.toml : profil « b » : MTM mal formé : « 20A »");

    dir.write("a.toml", "\xC3\x28");
    EXPECT_EQ(load_profiles(dir.path()).error().display(), "stream did not contain valid UTF-8");

    dir.write("a.toml", document("a") + "extra = 1\n");
    EXPECT_EQ(load_profiles(dir.path()).error().display(),
              dir.path() + SEPARATOR +
                  "a.toml : TOML invalide : extra : clé inconnue (ligne 6, colonne 9)");
}

TEST(ProfileFileName, SelectsByTheLastExtension) {
    for (const char* name : {"a.toml", ".x.toml", "a.b.toml", "..toml", "a..toml"})
        EXPECT_TRUE(is_profile_file_name(name)) << name;
    for (const char* name : {".toml", "toml", "a.toml.bak", "a.TOML", "a.Toml", "a.toml ", "a."})
        EXPECT_FALSE(is_profile_file_name(name)) << name;
}

TEST(JoinPath, InsertsASeparatorOnlyWhenNeeded) {
    EXPECT_EQ(join_path("profiles", "a.toml", '\\', "\\/"), "profiles\\a.toml");
    EXPECT_EQ(join_path("C:\\p\\", "a.toml", '\\', "\\/"), "C:\\p\\a.toml");
    EXPECT_EQ(join_path("p/", "a.toml", '\\', "\\/"), "p/a.toml");
    EXPECT_EQ(join_path("p\\", "a.toml", '/', "/"), "p\\/a.toml");
}

}  // namespace
}  // namespace telvora
