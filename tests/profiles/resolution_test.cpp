#include <gtest/gtest.h>

#include "profiles/resolution.hpp"

namespace telvora {
namespace {

MachineProfile profile(std::string id, ProfileScope scope, std::vector<std::string> mtm,
                       std::vector<std::string> names) {
    MachineProfile p;
    p.schema_version = 1;
    p.id = std::move(id);
    p.scope = scope;
    p.matches = {std::move(mtm), std::move(names)};
    return p;
}

MachineIdentity identity(std::optional<std::string> manufacturer, std::optional<std::string> mtm,
                         std::optional<std::string> display_name) {
    MachineIdentity i;
    i.manufacturer = std::move(manufacturer);
    i.mtm = std::move(mtm);
    i.display_name = std::move(display_name);
    return i;
}

// The report text and matched id ("" when none) of each outcome.
std::string outcome(std::span<const MachineProfile> profiles, const MachineIdentity& who) {
    const Resolution r = resolve(profiles, who);
    std::string text(resolution_text(r.kind));
    if (r.profile != nullptr) {
        EXPECT_GE(r.profile, profiles.data());
        EXPECT_LT(r.profile, profiles.data() + profiles.size());
        text += " " + r.profile->id;
    }
    return text;
}

TEST(Resolve, AppliesTheFourRulesInOrder) {
    const std::vector<MachineProfile> profiles = {
        profile("x1-family", ProfileScope::Family, {"20XW"}, {"ThinkPad X1"}),
        profile("x1-gen9", ProfileScope::Model, {"20XX", "20xw"}, {"Yoga"}),
        profile("x1-gen9-copy", ProfileScope::Model, {"20XW"}, {}),
        profile("all", ProfileScope::Family, {}, {"Ideapad", "yoga"}),
    };
    using O = std::optional<std::string>;
    struct Case {
        MachineIdentity who;
        std::string expected;
    };
    const Case cases[] = {
        {identity("LENOVO", "20XW", "ThinkPad X1 Carbon"), "exact x1-gen9"},
        {identity(O{}, "20xx", O{}), "exact x1-gen9"},
        {identity(O{}, "20XW1", O{}), "unsupported"},
        {identity(O{}, "20X", O{}), "unsupported"},
        {identity(O{}, "2", "thinkpad x1 yoga"), "family x1-family"},
        {identity(O{}, O{}, "Lenovo YOGA 7"), "family all"},
        {identity("LENOVO", O{}, "Yoga"), "family all"},
        {identity("LENOVO", O{}, "ThinkPad T14"), "dynamic_probe"},
        {identity("lenovo", O{}, "THINKPAD"), "dynamic_probe"},
        {identity("LENOVO", O{}, "IBM"), "unsupported"},
        {identity("LENOVO", O{}, O{}), "unsupported"},
        {identity("LENOVO Group", O{}, "ThinkPad T14"), "unsupported"},
        {identity("Dell Inc.", O{}, O{}), "dynamic_probe"},
        {identity("HP", O{}, O{}), "dynamic_probe"},
        {identity("ASUSTeK COMPUTER INC.", O{}, O{}), "dynamic_probe"},
        {identity("Micro-Star International Co., Ltd.", O{}, O{}), "dynamic_probe"},
        {identity("xmsix", O{}, O{}), "dynamic_probe"},
        {identity("LG Electronics", O{}, O{}), "dynamic_probe"},
        {identity(O{}, O{}, O{}), "unsupported"},
        {identity("Contoso", "1234", "Laptop"), "unsupported"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outcome(profiles, c.who), c.expected)
            << c.who.manufacturer.value_or("-") << " " << c.who.mtm.value_or("-") << " "
            << c.who.display_name.value_or("-");
}

TEST(Resolve, EdgeCasesOfMatching) {
    // With no profile only the maker rules count.
    EXPECT_EQ(outcome({}, identity("Framework", "20AB", "Laptop 13")), "dynamic_probe");
    // An empty fragment matches every display name, but not a missing one.
    const std::vector<MachineProfile> any = {profile("any", ProfileScope::Family, {}, {""})};
    EXPECT_EQ(outcome(any, identity(std::nullopt, std::nullopt, "x")), "family any");
    EXPECT_EQ(outcome(any, identity(std::nullopt, std::nullopt, std::nullopt)), "unsupported");
    // Letters outside ASCII are compared unfolded.
    const std::vector<MachineProfile> accented = {
        profile("e", ProfileScope::Family, {}, {"\xC3\x89t\xC3\xA9"})};  // "Été"
    EXPECT_EQ(outcome(accented, identity(std::nullopt, std::nullopt, "\xC3\xA9t\xC3\xA9")),
              "unsupported");
    EXPECT_EQ(outcome(accented, identity(std::nullopt, std::nullopt, "L'\xC3\x89T\xC3\xA9")),
              "family e");
}

TEST(ResolutionText, NamesEveryOutcomeAndScope) {
    EXPECT_EQ(resolution_text(ResolutionKind::Exact), "exact");
    EXPECT_EQ(resolution_text(ResolutionKind::Family), "family");
    EXPECT_EQ(resolution_text(ResolutionKind::DynamicProbe), "dynamic_probe");
    EXPECT_EQ(resolution_text(ResolutionKind::Unsupported), "unsupported");
    EXPECT_EQ(scope_text(ProfileScope::Model), "model");
    EXPECT_EQ(scope_text(ProfileScope::Family), "family");
    EXPECT_EQ(DYNAMIC_PROBE_VENDORS.front(), "framework");
    EXPECT_EQ(DYNAMIC_PROBE_VENDORS.back(), "alienware");
}

}  // namespace
}  // namespace telvora
