#include <gtest/gtest.h>

#include "profile_documents.hpp"
#include "profiles/profile.hpp"

namespace telvora {
namespace {

using test::ec_capability;
using test::model_document;

std::string invalid_toml_message(std::string_view text) {
    auto profile = parse_profile(text);
    if (profile)
        return "(accepted)";
    const auto* toml = std::get_if<ProfileError::InvalidToml>(&profile.error().detail);
    return toml ? toml->message : "(not InvalidToml)";
}

TEST(ParseProfile, ReadsEveryFieldOfAFullDocument) {
    const std::string text = R"(# comment
schema_version = 0x1
id = "t14"
display_name = "ThinkPad T14"
scope = "model"
matches = { mtm = ["20S0"], version_contains = ["T14"] }

[[capabilities]]
id = "msr"
label = "MSR"
access = { method = "msr", address = 0xFFFF_FFFF }
confidence = "validated"
sources = ["a", "b"]
validated_on = "T14 Gen 1"
bounds = { min = -9223372036854775808, max = 9223372036854775807 }
notes = "n"

[[capabilities]]
id = "ec"
label = "EC"
access.method = "ec"
access.offset = 0o377
confidence = "documented"
sources = []

[[capabilities]]
id = "wmi"
label = "WMI"
confidence = "assumed"
sources = ["s"]
[capabilities.access]
method = "wmi"
class = "Lenovo_BiosSetting"
property = "CurrentSetting"

[[capabilities]]
id = "acpi"
label = "ACPI"
access = { method = "acpi", path = "\\_SB.HKEY" }
confidence = "assumed"
sources = ["s"]
validated_on = ""

[[capabilities]]
id = "pp"
label = "Platform profile"
access = { method = "platform_profile", anything = [1, 2.5, { deep = true }] }
confidence = "assumed"
sources = ["s"]
)";
    auto profile = parse_profile(text);
    ASSERT_TRUE(profile) << profile.error().display();
    EXPECT_EQ(profile->schema_version, 1u);
    EXPECT_EQ(profile->id, "t14");
    EXPECT_EQ(profile->display_name, "ThinkPad T14");
    EXPECT_EQ(profile->scope, ProfileScope::Model);
    EXPECT_EQ(profile->matches, (Matches{{"20S0"}, {"T14"}}));
    ASSERT_EQ(profile->capabilities.size(), 5u);

    const Capability& msr = profile->capabilities[0];
    EXPECT_EQ(msr.access.method, decltype(Access::method){Access::Msr{0xFFFFFFFFu}});
    EXPECT_EQ(msr.confidence, Confidence::Validated);
    EXPECT_EQ(msr.sources, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(msr.validated_on, "T14 Gen 1");
    EXPECT_EQ(msr.bounds, (Bounds{INT64_MIN, INT64_MAX}));
    EXPECT_EQ(msr.notes, "n");

    const Capability& ec = profile->capabilities[1];
    EXPECT_EQ(ec.access.method, decltype(Access::method){Access::Ec{255}});
    EXPECT_EQ(ec.confidence, Confidence::Documented);
    EXPECT_TRUE(ec.sources.empty());
    EXPECT_FALSE(ec.validated_on || ec.bounds || ec.notes);

    EXPECT_EQ(profile->capabilities[2].access.method,
              decltype(Access::method)(Access::Wmi{"Lenovo_BiosSetting", "CurrentSetting"}));
    EXPECT_EQ(profile->capabilities[3].access.method,
              decltype(Access::method){Access::Acpi{"\\_SB.HKEY"}});
    EXPECT_EQ(profile->capabilities[3].validated_on, "");
    EXPECT_EQ(profile->capabilities[4].access.method,
              decltype(Access::method){Access::PlatformProfile{}});
}

TEST(ParseProfile, DefaultsAndByteOrderMark) {
    auto plain = parse_profile(model_document());
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->capabilities.empty());
    EXPECT_EQ(parse_profile("\xEF\xBB\xBF" + model_document()), plain);

    auto empty_matches = parse_profile(
        "schema_version = 2\nid = \"\"\ndisplay_name = \"\"\nscope = \"family\"\nmatches = {}\n");
    ASSERT_TRUE(empty_matches);
    EXPECT_EQ(empty_matches->schema_version, 2u);
    EXPECT_EQ(empty_matches->matches, Matches{});
}

// Each document is refused with a message naming the key path and what was wrong.
TEST(ParseProfile, RefusesWithAMessageThatLocatesTheFault) {
    const std::string header =
        "schema_version = 1\nid = \"x\"\ndisplay_name = \"X\"\nscope = \"model\"\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {header, "clé obligatoire « matches » absente"},
        {"id = \"x\"\n", "clé obligatoire « schema_version » absente"},
        {"schema_version = -1\n" + header.substr(19) + "matches = {}\n",
         "schema_version : entier hors limites (0 à 4294967295) (ligne 1, colonne 18)"},
        {"schema_version = 4294967296\n" + header.substr(19) + "matches = {}\n",
         "schema_version : entier hors limites (0 à 4294967295) (ligne 1, colonne 18)"},
        {"schema_version = 1.0\n" + header.substr(19) + "matches = {}\n",
         "schema_version : type incorrect (attendu : entier, trouvé : nombre décimal) (ligne 1, "
         "colonne 18)"},
        {"schema_version = 1\nid = \"x\"\ndisplay_name = \"X\"\nscope = \"Model\"\nmatches = {}\n",
         "scope : valeur « Model » inconnue (valeurs permises : « model », « family ») (ligne 4, "
         "colonne 9)"},
        {header + "Id = \"y\"\nmatches = {}\n", "Id : clé inconnue (ligne 5, colonne 6)"},
        {header + "matches = { mtm = \"20AB\" }\n",
         "matches.mtm : type incorrect (attendu : tableau, trouvé : chaîne) (ligne 5, colonne 19)"},
        {header + "matches = { mtm = [\"20AB\", 7] }\n",
         "matches.mtm[1] : type incorrect (attendu : chaîne, trouvé : entier) (ligne 5, colonne "
         "28)"},
        {header + "matches = { \"a b\" = 1 }\n",
         "matches.\"a b\" : clé inconnue (ligne 5, colonne 21)"},
        {header + "matches = {}\ncapabilities = { id = \"kbd\" }\n",
         "capabilities : type incorrect (attendu : tableau, trouvé : table) (ligne 6, colonne 16)"},
        {model_document(ec_capability() + ec_capability("confidence2 = 1\n")),
         "capabilities[1].confidence2 : clé inconnue (ligne 19, colonne 15)"},
        {model_document("[[capabilities]]\nid = \"a\"\nlabel = \"A\"\nconfidence = \"assumed\"\n"
                        "access = { method = \"ec\", offset = 1 }\n"),
         "capabilities[0] : clé obligatoire « sources » absente (ligne 7, colonne 1)"},
        {model_document(ec_capability("[capabilities.bounds]\nmin = 0\n")),
         "capabilities[0].bounds : clé obligatoire « max » absente (ligne 13, colonne 1)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(invalid_toml_message(c.text), c.message) << c.text;
}

TEST(ParseProfile, ChecksAccessTablesByMethod) {
    auto with_access = [](const std::string& access) {
        return model_document(
            "[[capabilities]]\nid = \"a\"\nlabel = \"A\"\nconfidence = \"assumed\"\n"
            "sources = [\"s\"]\naccess = " +
            access + "\n");
    };
    struct Case {
        std::string access;
        std::string message;  // empty when the document reads
    };
    const Case cases[] = {
        {"{ method = \"ec\", offset = 255 }", ""},
        {"{ method = \"ec\", offset = 256 }",
         "capabilities[0].access.offset : entier hors limites (0 à 255) (ligne 12, colonne 36)"},
        {"{ method = \"ec\", offset = -1 }", "capabilities[0].access.offset : entier hors limites"},
        {"{ method = \"msr\", address = 4294967295 }", ""},
        {"{ method = \"msr\", address = 4294967296 }",
         "capabilities[0].access.address : entier hors limites (0 à 4294967295)"},
        {"{ method = \"msr\", address = 1, extra = 1 }",
         "capabilities[0].access.extra : clé inconnue"},
        {"{ method = \"MSR\", address = 1 }",
         "capabilities[0].access.method : valeur « MSR » inconnue (valeurs permises : « msr », "
         "« ec », « wmi », « acpi », « platform_profile »)"},
        {"{ address = 1 }", "capabilities[0].access : clé obligatoire « method » absente"},
        {"{ method = \"wmi\", class = \"C\" }",
         "capabilities[0].access : clé obligatoire « property » absente"},
        {"{ method = \"acpi\", path = 5 }",
         "capabilities[0].access.path : type incorrect (attendu : chaîne, trouvé : entier)"},
        {"\"ec\"", "capabilities[0].access : type incorrect (attendu : table, trouvé : chaîne)"},
        {"{ method = \"platform_profile\", path = 5, x = {} }", ""},
    };
    for (const Case& c : cases) {
        const std::string message = invalid_toml_message(with_access(c.access));
        if (c.message.empty())
            EXPECT_EQ(message, "(accepted)") << c.access;
        else
            EXPECT_TRUE(message.starts_with(c.message)) << c.access << "\n" << message;
    }
}

TEST(ParseProfile, ConfidenceNamesAreCaseSensitive) {
    const std::string doc = model_document(ec_capability());
    std::string wrong = doc;
    wrong.replace(wrong.find("\"documented\""), 12, "\"Validated\"");
    EXPECT_TRUE(invalid_toml_message(wrong).starts_with(
        "capabilities[0].confidence : valeur « Validated » inconnue"));
}

TEST(ParseProfile, ReportsSyntaxErrorsWithTheirPosition) {
    const std::string message = invalid_toml_message("id = \"x\"\nid = \"y\"\n");
    EXPECT_TRUE(message.starts_with("syntaxe : ")) << message;
    EXPECT_TRUE(message.ends_with("(ligne 2, colonne 6)")) << message;
    EXPECT_EQ(parse_profile("=").error().display().substr(0, 25), "TOML invalide : syntaxe :");
}

// TOML 1.1.0 additions, which profile authors may use.
TEST(ParseProfile, ReadsToml110Syntax) {
    const std::string text =
        "schema_version = 1\n"
        "id = \"x\\x41\\e\"\n"
        "display_name = \"X\"\n"
        "scope = \"model\"\n"
        "matches = {\n"
        "  mtm = [\"20AB\"],  # the only machine type\n"
        "  version_contains = [],\n"
        "}\n"
        "[[capabilities]]\n"
        "id = \"kbd\"\n"
        "label = \"Keyboard\"\n"
        "access = { method = \"platform_profile\", checked = 07:32 }\n"
        "confidence = \"assumed\"\n"
        "sources = [\"s\"]\n";
    auto profile = load_profile_text(text);
    ASSERT_TRUE(profile) << profile.error().display();
    EXPECT_EQ(profile->id, "xA\x1B");
    EXPECT_EQ(profile->matches.mtm, std::vector<std::string>{"20AB"});
}

}  // namespace
}  // namespace telvora
