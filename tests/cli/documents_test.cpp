#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/documents.hpp"

namespace telvora {
namespace {

const std::string NOTICE_LINE = std::string("  \"notice\": \"") + std::string(NOTICE) + "\",\n";

MachineIdentity thinkpad() {
    MachineIdentity identity;
    identity.manufacturer = "LENOVO";
    identity.mtm = "20XW";
    identity.display_name = "ThinkPad X1 Carbon Gen 9";
    identity.bios_vendor = "LENOVO";
    identity.bios_version = "N32ET86W (1.62 )";
    identity.bios_release_date = "06/01/2023";
    identity.sources = {
        .manufacturer = "SMBIOS type 1 (System) : Manufacturer",
        .mtm = "SMBIOS type 1 (System) : Product Name",
        .display_name = "SMBIOS type 1 (System) : Version",
        .bios_vendor = "SMBIOS type 0 (BIOS) : Vendor",
        .bios_version = "SMBIOS type 0 (BIOS) : Version",
        .bios_release_date = "SMBIOS type 0 (BIOS) : Release Date",
    };
    return identity;
}

MachineProfile profile(std::string id, std::string display_name, ProfileScope scope,
                       std::size_t capabilities) {
    MachineProfile p;
    p.schema_version = 1;
    p.id = std::move(id);
    p.display_name = std::move(display_name);
    p.scope = scope;
    p.capabilities.resize(capabilities);
    return p;
}

// The line of one member of the report's outermost object.
std::string member_line(const std::string& report, const std::string& key) {
    const std::string start = "\n  \"" + key + "\": ";
    const auto at = report.find(start);
    if (at == std::string::npos)
        return "<missing " + key + ">";
    const auto end = report.find('\n', at + 1);
    return report.substr(at + 3, end - at - 3);
}

TEST(DetectionReport, FullIdentityWithExactMatch) {
    const MachineProfile gen9 = profile("thinkpad-x1-carbon-gen9", "X1", ProfileScope::Model, 2);
    const std::string text = detection_report_text(
        thinkpad(), Resolution{ResolutionKind::Exact, &gen9}, 3, "windows-native");
    EXPECT_EQ(text, "{\n" + NOTICE_LINE + R"json(  "backend": "windows-native",
  "manufacturer": "LENOVO",
  "mtm": "20XW",
  "display_name": "ThinkPad X1 Carbon Gen 9",
  "bios_vendor": "LENOVO",
  "bios_version": "N32ET86W (1.62 )",
  "bios_release_date": "06/01/2023",
  "resolution": "exact",
  "profile_id": "thinkpad-x1-carbon-gen9",
  "profiles_loaded": 3,
  "sources": {
    "manufacturer": "SMBIOS type 1 (System) : Manufacturer",
    "mtm": "SMBIOS type 1 (System) : Product Name",
    "display_name": "SMBIOS type 1 (System) : Version",
    "bios_vendor": "SMBIOS type 0 (BIOS) : Vendor",
    "bios_version": "SMBIOS type 0 (BIOS) : Version",
    "bios_release_date": "SMBIOS type 0 (BIOS) : Release Date"
  }
})json");
}

TEST(DetectionReport, EmptyIdentityKeepsEveryKeyAsNull) {
    const std::string text = detection_report_text(
        MachineIdentity{}, Resolution{ResolutionKind::Unsupported, nullptr}, 0, "linux-dmi-id");
    EXPECT_EQ(text, "{\n" + NOTICE_LINE + R"json(  "backend": "linux-dmi-id",
  "manufacturer": null,
  "mtm": null,
  "display_name": null,
  "bios_vendor": null,
  "bios_version": null,
  "bios_release_date": null,
  "resolution": "unsupported",
  "profile_id": null,
  "profiles_loaded": 0,
  "sources": {
    "manufacturer": null,
    "mtm": null,
    "display_name": null,
    "bios_vendor": null,
    "bios_version": null,
    "bios_release_date": null
  }
})json");
}

TEST(DetectionReport, OutcomeDecidesProfileId) {
    const MachineProfile family = profile("x1-family", "X1", ProfileScope::Family, 0);
    struct Case {
        Resolution resolution;
        const char* resolution_line;
        const char* profile_line;
    };
    const std::vector<Case> cases = {
        {{ResolutionKind::Exact, &family},
         R"("resolution": "exact",)",
         R"("profile_id": "x1-family",)"},
        {{ResolutionKind::Family, &family},
         R"("resolution": "family",)",
         R"("profile_id": "x1-family",)"},
        {{ResolutionKind::DynamicProbe, nullptr},
         R"("resolution": "dynamic_probe",)",
         R"("profile_id": null,)"},
        // A stray pointer must not leak a profile into an outcome that has none.
        {{ResolutionKind::Unsupported, &family},
         R"("resolution": "unsupported",)",
         R"("profile_id": null,)"},
    };
    for (const Case& c : cases) {
        const std::string text = detection_report_text(thinkpad(), c.resolution, 12, "x");
        EXPECT_EQ(member_line(text, "resolution"), c.resolution_line);
        EXPECT_EQ(member_line(text, "profile_id"), c.profile_line);
        EXPECT_EQ(member_line(text, "profiles_loaded"), R"("profiles_loaded": 12,)");
    }
}

TEST(DetectionReport, EscapesOnlyWhatJsonRequires) {
    struct Case {
        std::string value;
        std::string written;
    };
    const std::vector<Case> cases = {
        {"Say \"hi\"", R"("Say \"hi\"")"},
        {R"(C:\bios)", R"("C:\\bios")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("a\0b", 3) + "\x01\x0b\x1f", R"("a\u0000b\u0001\u000b\u001f")"},
        {"Éditeur 12/2023 \x7f", "\"Éditeur 12/2023 \x7f\""},
        {"ThinkPad™ X1", "\"ThinkPad™ X1\""},
        // Not UTF-8: replaced, never thrown.
        {"bad \xff\xc3 end", "\"bad \xef\xbf\xbd\xef\xbf\xbd end\""},
        {"cut \xe2\x82", "\"cut \xef\xbf\xbd\""},
    };
    for (const Case& c : cases) {
        MachineIdentity identity = thinkpad();
        identity.bios_version = c.value;
        const std::string text = detection_report_text(
            identity, Resolution{ResolutionKind::Unsupported, nullptr}, 0, "x");
        EXPECT_EQ(member_line(text, "bios_version"), "\"bios_version\": " + c.written + ",");
    }
}

TEST(ProfileListing, NoProfileIsAnEmptyArray) {
    EXPECT_EQ(profile_listing_text({}), "{\n" + NOTICE_LINE + "  \"profiles\": []\n}");
}

TEST(ProfileListing, SummariesInGivenOrder) {
    const std::vector<MachineProfile> profiles = {
        profile("x1-family", "X1 « toutes » \"générations\"", ProfileScope::Family, 0),
        profile("t480", "ThinkPad T480", ProfileScope::Model, 3),
    };
    EXPECT_EQ(profile_listing_text(profiles), "{\n" + NOTICE_LINE + R"json(  "profiles": [
    {
      "id": "x1-family",
      "display_name": "X1 « toutes » \"générations\"",
      "scope": "family",
      "capabilities": 0
    },
    {
      "id": "t480",
      "display_name": "ThinkPad T480",
      "scope": "model",
      "capabilities": 3
    }
  ]
})json");
}

}  // namespace
}  // namespace telvora
