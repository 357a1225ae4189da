#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "hal/smbios/identity_builder.hpp"
#include "hal/smbios/linux_smbios_source.hpp"
#include "hal/smbios/table_builder.hpp"

namespace telvora {
namespace {

namespace fs = std::filesystem;

// A throw-away sysfs tree.
class SysfsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "telvora-sysfs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path dmi_path() const { return root_ / "firmware/dmi/tables/DMI"; }

    void write(const fs::path& path, std::string_view content) const {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    void write_dmi(const test::Bytes& table) const {
        write(dmi_path(),
              std::string_view(reinterpret_cast<const char*>(table.data()), table.size()));
    }
    void write_dmi_id() const {
        const fs::path id = root_ / "class/dmi/id";
        write(id / "sys_vendor", "LENOVO\n");
        write(id / "product_name", "20XWCTO1WW\n");
        write(id / "product_version", "ThinkPad X1 Carbon Gen 9\n");
        write(id / "product_family", "ThinkPad X1 Carbon Gen 9\n");
        write(id / "board_name", "20XWCTO1WW\n");
        write(id / "bios_vendor", "LENOVO\n");
        write(id / "bios_version", "N32ET86W (1.62 )\n");
        write(id / "bios_date", "06/01/2023\n");
        // Root-only on real systems, and never read.
        write(id / "product_serial", "PF0ABCDE\n");
    }

    fs::path root_;
};

HalResult<SmbiosInfo> read_info(LinuxSmbiosSource& source) {
    const auto table = source.read_smbios_table();
    if (!table)
        return std::unexpected(table.error());
    return parse_smbios(*table);
}

TEST_F(SysfsFixture, ReadsTheRawTable) {
    write_dmi(test::thinkpad_table());
    write(root_ / "class/dmi/id/sys_vendor", "Not this one\n");
    LinuxSmbiosSource source(root_);
    const auto table = source.read_smbios_table();
    ASSERT_TRUE(table) << table.error().display();
    EXPECT_EQ(*table, test::thinkpad_table());
    EXPECT_EQ(source.backend_name(), "linux-sysfs");
}

TEST_F(SysfsFixture, RebuildsTheTableFromDmiIdWhenTheRawTableIsMissing) {
    write_dmi_id();
    LinuxSmbiosSource source(root_);
    EXPECT_EQ(read_info(source), test::THINKPAD_INFO);
    EXPECT_EQ(source.backend_name(), "linux-dmi-id");

    // Missing and empty attributes give absent fields; text stops at a NUL byte.
    fs::remove(root_ / "class/dmi/id/product_family");
    write(root_ / "class/dmi/id/product_version", "\n");
    write(root_ / "class/dmi/id/board_name", "");
    write(root_ / "class/dmi/id/bios_date", std::string_view("06/01/2023\0junk", 15));
    SmbiosInfo partial = test::THINKPAD_INFO;
    partial.system_version.reset();
    partial.system_family.reset();
    partial.baseboard_product.reset();
    EXPECT_EQ(read_info(source), partial);
}

TEST_F(SysfsFixture, ReportsWhatItCannotRead) {
    const std::string dmi = dmi_path().string();
    EXPECT_EQ(LinuxSmbiosSource(root_).read_smbios_table(),
              hal_error(HalErrorKind::Unavailable, "table DMI absente : " + dmi));

    fs::create_directories(dmi_path());
    EXPECT_EQ(LinuxSmbiosSource(root_).read_smbios_table(),
              hal_error(HalErrorKind::Unavailable,
                        "table DMI illisible : " + dmi + " n'est pas un fichier ordinaire"));
    fs::remove(dmi_path());

    // A malformed table is reported, not replaced by the rebuilt one.
    write_dmi_id();
    write_dmi(test::bytes({0x7F, 0x04, 0x00, 0x00}));
    LinuxSmbiosSource source(root_);
    EXPECT_EQ(detect_identity(source),
              std::unexpected(
                  HalError{HalErrorKind::InvalidData, "section de chaînes SMBIOS non terminée"}));
}

// Tests run as root, whose capabilities bypass permission bits. Capabilities belong to a thread,
// so a thread of our own gives up the two that override file permissions and reads like an
// ordinary user would: the real open() then meets a real EACCES.
template <typename F>
void as_unprivileged_thread(F body) {
    std::thread thread([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) == 0) {
            data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            (void)::syscall(SYS_capset, &header, data);
        }
        body();
    });
    thread.join();
}

TEST_F(SysfsFixture, FallsBackToDmiIdWhenTheRawTableIsRefused) {
    write_dmi(test::thinkpad_table());
    fs::permissions(dmi_path(), fs::perms::none);
    const std::string dmi = dmi_path().string();

    bool refused = false;
    HalResult<std::vector<std::byte>> alone = std::vector<std::byte>{};
    HalResult<SmbiosInfo> rebuilt = SmbiosInfo{};
    std::string_view backend;
    as_unprivileged_thread([&] {
        refused = !std::ifstream(dmi_path()).is_open();
        alone = LinuxSmbiosSource(root_).read_smbios_table();
        write_dmi_id();
        LinuxSmbiosSource source(root_);
        rebuilt = read_info(source);
        backend = source.backend_name();
    });
    if (!refused)
        GTEST_SKIP() << "permission bits are not enforced here";
    EXPECT_EQ(alone,
              hal_error(HalErrorKind::AccessDenied, "lecture de la table DMI refusée : " + dmi));
    EXPECT_EQ(rebuilt, test::THINKPAD_INFO);
    EXPECT_EQ(backend, "linux-dmi-id");
}

TEST(SystemSmbiosSource, IsTheSysfsSource) {
    const auto source = make_system_smbios_source();
    ASSERT_NE(dynamic_cast<LinuxSmbiosSource*>(source.get()), nullptr);
}

}  // namespace
}  // namespace telvora
