#include <gtest/gtest.h>

#include "hal/smbios/identity_builder.hpp"
#include "hal/smbios/table_builder.hpp"

namespace telvora {
namespace {

using Text = std::optional<std::string>;

TEST(CleanField, TrimsAndRejectsWholePlaceholders) {
    const std::pair<Text, Text> cases[] = {
        {std::nullopt, std::nullopt},
        {"", std::nullopt},
        {" \t\u3000", std::nullopt},
        {"  LENOVO ", "LENOVO"},
        {"To Be Filled By O.E.M.", std::nullopt},
        {" to be filled by o.e.m.\t", std::nullopt},
        {"TO BE FILLED BY O.E.M.", std::nullopt},
        {"N/A x", "N/A x"},
        {"Not Specified", std::nullopt},
        {"System Product Name", std::nullopt},
        {"System Product Name 2", "System Product Name 2"},
        {"none.", "none."},
        // Only A-Z fold: a non-ASCII capital keeps the text apart from the list.
        {"N\u00D4NE", "N\u00D4NE"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(clean_field(in), out) << in.value_or("(absent)");
    for (const std::string_view placeholder : PLACEHOLDER_VALUES)
        EXPECT_EQ(clean_field(std::string(placeholder)), std::nullopt) << placeholder;
}

TEST(MachineTypeFromProduct, TakesFourAlphanumericsLedByADigit) {
    const std::pair<std::string, Text> cases[] = {
        {"20XWCTO1WW", "20XW"},   {"20xw", "20XW"},
        {" 20xwcto1ww ", "20XW"}, {"20XW\u00C9", "20XW"},
        {"21A", std::nullopt},    {"T14 Gen 2", std::nullopt},
        {"2 0X", std::nullopt},   {"2\u00C9XW", std::nullopt},
        {"", std::nullopt},       {"20X\xFF", std::nullopt},
        {"20-X", std::nullopt},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(machine_type_from_product(in), out) << in;
}

TEST(BuildIdentity, WorkedExamples) {
    struct Case {
        Text product, version, family, board;
        Text mtm, display_name;
        std::optional<std::string_view> display_source;
    };
    const Case cases[] = {
        {"20XWCTO1WW", "ThinkPad X1 Carbon Gen 9", "ThinkPad X1 Carbon Gen 9", "20XWCTO1WW", "20XW",
         "ThinkPad X1 Carbon Gen 9", LABEL_VERSION},
        {"20XWCTO1WW",
         "None",
         "ThinkPad X1 Carbon Gen 9",
         {},
         "20XW",
         "ThinkPad X1 Carbon Gen 9",
         LABEL_FAMILY},
        {"20XWCTO1WW", {}, {}, {}, "20XW", {}, {}},
        {"Laptop 13", {}, {}, {}, {}, "Laptop 13", LABEL_PRODUCT_NAME},
        {"System Product Name",
         "System Version",
         {},
         "X570 BOARD",
         {},
         "X570 BOARD",
         LABEL_BASEBOARD_PRODUCT},
        {"21A", {}, {}, "Board", {}, "21A", LABEL_PRODUCT_NAME},
        {"T14 Gen 2", "System Version", "Default string", {}, {}, "T14 Gen 2", LABEL_PRODUCT_NAME},
        {{}, "System Version", "Default string", "NB", {}, "NB", LABEL_BASEBOARD_PRODUCT},
    };
    for (const Case& c : cases) {
        const MachineIdentity id = build_identity(SmbiosInfo{.system_product_name = c.product,
                                                             .system_version = c.version,
                                                             .system_family = c.family,
                                                             .baseboard_product = c.board});
        const std::string row = c.product.value_or("(absent)");
        EXPECT_EQ(id.mtm, c.mtm) << row;
        EXPECT_EQ(id.sources.mtm, c.mtm ? std::optional(LABEL_PRODUCT_NAME) : std::nullopt) << row;
        EXPECT_EQ(id.display_name, c.display_name) << row;
        EXPECT_EQ(id.sources.display_name, c.display_source) << row;
    }
}

TEST(BuildIdentity, ManufacturerIsCleanedButBiosValuesAreNot) {
    const MachineIdentity id = build_identity(SmbiosInfo{
        .bios_vendor = "To Be Filled By O.E.M.",
        .bios_version = "Default string",
        .bios_release_date = "03/14/2024",
        .system_manufacturer = " To be filled by O.E.M. ",
    });
    const MachineIdentity expected{
        .bios_vendor = "To Be Filled By O.E.M.",
        .bios_version = "Default string",
        .bios_release_date = "03/14/2024",
        .sources = {.bios_vendor = "SMBIOS type 0 (BIOS) : Vendor",
                    .bios_version = "SMBIOS type 0 (BIOS) : Version",
                    .bios_release_date = "SMBIOS type 0 (BIOS) : Release Date"},
    };
    EXPECT_EQ(id, expected);

    const MachineIdentity lenovo = build_identity(SmbiosInfo{.system_manufacturer = "LENOVO"});
    EXPECT_EQ(lenovo.manufacturer, "LENOVO");
    EXPECT_EQ(lenovo.sources.manufacturer, "SMBIOS type 1 (System) : Manufacturer");
    EXPECT_EQ(build_identity(SmbiosInfo{}), MachineIdentity{});
}

// Returns prepared bytes or a prepared error.
class FakeSource final : public SmbiosSource {
  public:
    explicit FakeSource(HalResult<std::vector<std::byte>> result) : result_(std::move(result)) {}
    HalResult<std::vector<std::byte>> read_smbios_table() override { return result_; }
    std::string_view backend_name() const override { return "fake"; }

  private:
    HalResult<std::vector<std::byte>> result_;
};

TEST(DetectIdentity, ReadsParsesAndBuilds) {
    FakeSource source(test::thinkpad_table());
    const auto id = detect_identity(source);
    ASSERT_TRUE(id) << id.error().display();
    const MachineIdentity expected{
        .manufacturer = "LENOVO",
        .mtm = "20XW",
        .display_name = "ThinkPad X1 Carbon Gen 9",
        .bios_vendor = "LENOVO",
        .bios_version = "N32ET86W (1.62 )",
        .bios_release_date = "06/01/2023",
        .sources = {.manufacturer = "SMBIOS type 1 (System) : Manufacturer",
                    .mtm = "SMBIOS type 1 (System) : Product Name",
                    .display_name = "SMBIOS type 1 (System) : Version",
                    .bios_vendor = "SMBIOS type 0 (BIOS) : Vendor",
                    .bios_version = "SMBIOS type 0 (BIOS) : Version",
                    .bios_release_date = "SMBIOS type 0 (BIOS) : Release Date"},
    };
    EXPECT_EQ(*id, expected);

    FakeSource empty(std::vector<std::byte>{});
    EXPECT_EQ(detect_identity(empty), MachineIdentity{});
}

TEST(DetectIdentity, PassesErrorsOnUnchanged) {
    const HalError denied{HalErrorKind::AccessDenied, "lecture de la table RSMB refusée"};
    FakeSource refusing{std::unexpected(denied)};
    EXPECT_EQ(detect_identity(refusing), std::unexpected(denied));

    FakeSource malformed(test::bytes({0x7F, 0x04, 0x00, 0x00}));
    EXPECT_EQ(detect_identity(malformed),
              std::unexpected(
                  HalError{HalErrorKind::InvalidData, "section de chaînes SMBIOS non terminée"}));
}

}  // namespace
}  // namespace telvora
