#include <gtest/gtest.h>

#include <functional>

#include "profiles/profile.hpp"

namespace telvora {
namespace {

Capability capability(std::string id) {
    Capability c;
    c.id = std::move(id);
    c.label = "label";
    c.confidence = Confidence::Documented;
    c.sources = {"source"};
    return c;
}

MachineProfile model_profile() {
    MachineProfile p;
    p.schema_version = 1;
    p.id = "model";
    p.display_name = "Model";
    p.scope = ProfileScope::Model;
    p.matches.mtm = {"20AB"};
    return p;
}

// The display text of the first failure, or "" when the profile is valid.
std::string verdict(const MachineProfile& profile) {
    auto result = validate_profile(profile);
    return result ? "" : result.error().display();
}

TEST(ValidateProfile, AppliesTheRulesInOrder) {
    struct Case {
        const char* name;
        std::function<void(MachineProfile&)> change;
        std::string display;
    };
    const Case cases[] = {
        {"valid without capabilities", [](MachineProfile&) {}, ""},
        {"schema before id",
         [](MachineProfile& p) {
             p.schema_version = 2;
             p.id = "";
         },
         "version de schéma 2 non supportée (attendu 1)"},
        {"blank id kept as written", [](MachineProfile& p) { p.id = " \t\u3000"; },
         "profil «  \t\u3000 » : identifiant vide"},
        {"id before model criteria",
         [](MachineProfile& p) {
             p.id = "";
             p.matches.mtm.clear();
         },
         "profil «  » : identifiant vide"},
        {"model without mtm", [](MachineProfile& p) { p.matches.mtm.clear(); },
         "profil « model » : profil de modèle sans MTM"},
        {"family without names",
         [](MachineProfile& p) {
             p.scope = ProfileScope::Family;
             p.matches.mtm.clear();
         },
         "profil « model » : profil de famille sans nom commercial"},
        {"family with an empty name",
         [](MachineProfile& p) {
             p.scope = ProfileScope::Family;
             p.matches = {{}, {""}};
         },
         ""},
        {"family with a short mtm",
         [](MachineProfile& p) {
             p.scope = ProfileScope::Family;
             p.matches = {{"20"}, {"X1"}};
         },
         "profil « model » : MTM mal formé : « 20 »"},
        {"lower case and repeated mtm",
         [](MachineProfile& p) {
             p.matches.mtm = {"20ab", "20AB", "20AB"};
         },
         ""},
        {"three characters",
         [](MachineProfile& p) {
             p.matches.mtm = {"20AB", "20A"};
         },
         "profil « model » : MTM mal formé : « 20A »"},
        {"five characters", [](MachineProfile& p) { p.matches.mtm = {"20ABC"}; },
         "profil « model » : MTM mal formé : « 20ABC »"},
        {"trailing space", [](MachineProfile& p) { p.matches.mtm = {"20A "}; },
         "profil « model » : MTM mal formé : « 20A  »"},
        {"hyphen", [](MachineProfile& p) { p.matches.mtm = {"20-B"}; },
         "profil « model » : MTM mal formé : « 20-B »"},
        {"accented letter", [](MachineProfile& p) { p.matches.mtm = {"20AÉ"}; },
         "profil « model » : MTM mal formé : « 20AÉ »"},
        {"ids differing in case",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb"), capability("KB")};
         },
         ""},
        {"duplicate id before missing sources",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb"), capability("kb")};
             p.capabilities[1].sources.clear();
         },
         "profil « model » : capacité dupliquée : kb"},
        {"blank sources",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].sources = {"", " \u00A0"};
         },
         "profil « model » : capacité kb sans source"},
        {"one source not blank",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].sources = {" ", "x"};
         },
         ""},
        {"validated without validated_on",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].confidence = Confidence::Validated;
         },
         "profil « model » : capacité kb « validated » sans validated_on"},
        {"validated with blank validated_on",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].confidence = Confidence::Validated;
             p.capabilities[0].validated_on = "\t";
         },
         "profil « model » : capacité kb « validated » sans validated_on"},
        {"assumed with blank validated_on",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].confidence = Confidence::Assumed;
             p.capabilities[0].validated_on = "";
         },
         ""},
        {"equal bounds",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].bounds = Bounds{3, 3};
         },
         ""},
        {"inverted bounds",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].bounds = Bounds{5, 4};
         },
         "profil « model » : bornes inversées pour kb"},
        {"inverted negative bounds",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].bounds = Bounds{-10, -20};
         },
         "profil « model » : bornes inversées pour kb"},
        {"negative bounds",
         [](MachineProfile& p) {
             p.capabilities = {capability("kb")};
             p.capabilities[0].bounds = Bounds{-20, -10};
         },
         ""},
    };
    for (const Case& c : cases) {
        MachineProfile profile = model_profile();
        c.change(profile);
        EXPECT_EQ(verdict(profile), c.display) << c.name;
    }
}

TEST(LoadProfileText, ParsesThenValidates) {
    const std::string document =
        "schema_version = 1\nid = \"m\"\ndisplay_name = \"M\"\nscope = \"model\"\nmatches = {}\n";
    EXPECT_EQ(load_profile_text(document).error().display(),
              "profil « m » : profil de modèle sans MTM");
    EXPECT_EQ(load_profile_text("schema_version = 1\n").error().display(),
              "TOML invalide : clé obligatoire « id » absente");
    auto valid = load_profile_text(
        "schema_version = 1\nid = \"m\"\ndisplay_name = \"M\"\nscope = \"model\"\n"
        "matches = { mtm = [\"20AB\"] }\n");
    ASSERT_TRUE(valid) << valid.error().display();
}

}  // namespace
}  // namespace telvora
