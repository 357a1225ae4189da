#include <gtest/gtest.h>

#include "profiles/profile_loader.hpp"
#include "profiles/resolution.hpp"

namespace telvora {
namespace {

// The directory shipped beside the program must load, and resolve real machines.
TEST(ShippedProfiles, LoadAndResolveRealMachines) {
    auto profiles = load_profiles(TELVORA_SHIPPED_PROFILES_DIR);
    ASSERT_TRUE(profiles) << profiles.error().display();
    ASSERT_GE(profiles->size(), 3u);

    MachineIdentity x1;
    x1.manufacturer = "LENOVO";
    x1.mtm = "20XW";
    x1.display_name = "ThinkPad X1 Carbon Gen 9";
    Resolution r = resolve(*profiles, x1);
    ASSERT_EQ(r.kind, ResolutionKind::Exact);
    EXPECT_EQ(r.profile->id, "thinkpad-x1-carbon-gen9");

    x1.mtm = "20KH";
    x1.display_name = "ThinkPad X1 Carbon 6th";
    r = resolve(*profiles, x1);
    ASSERT_EQ(r.kind, ResolutionKind::Family);
    EXPECT_EQ(r.profile->id, "thinkpad-x1-carbon");

    bool methods[5] = {};
    bool has_bounds = false;
    for (const MachineProfile& profile : *profiles) {
        for (const Capability& capability : profile.capabilities) {
            methods[capability.access.method.index()] = true;
            has_bounds = has_bounds || capability.bounds.has_value();
            if (capability.confidence == Confidence::Validated) {
                EXPECT_TRUE(capability.validated_on.has_value());
            }
        }
    }
    for (bool used : methods)
        EXPECT_TRUE(used);
    EXPECT_TRUE(has_bounds);
}

}  // namespace
}  // namespace telvora
