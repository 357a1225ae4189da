#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "profiles/profile_loader.hpp"

namespace telvora {
namespace {

namespace fs = std::filesystem;

// Special files under a profile name must fail the load at once, never block or run forever.
TEST(LoadProfiles, RefusesFifosAndDevicesWithoutBlocking) {
    const fs::path dir = fs::temp_directory_path() / "telvora-profiles-devices";
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir / "a.toml").c_str(), 0600), 0);
    EXPECT_EQ(load_profiles(dir.string()).error(),
              ProfileLoadError{ProfileLoadError::SystemFailure{EINVAL}});

    fs::remove(dir / "a.toml");
    fs::create_symlink("/dev/zero", dir / "a.toml");
    EXPECT_EQ(load_profiles(dir.string()).error(),
              ProfileLoadError{ProfileLoadError::SystemFailure{EINVAL}});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace telvora
