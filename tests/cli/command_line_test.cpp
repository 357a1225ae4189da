#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_line.hpp"

namespace telvora {
namespace {

using Args = std::vector<std::string>;

TEST(Usage, IsThirteenLinesWithoutFinalLineFeed) {
    EXPECT_EQ(USAGE.size(), 548u);
    EXPECT_EQ(std::count(USAGE.begin(), USAGE.end(), '\n'), 12);
    EXPECT_EQ(USAGE.find('\r'), std::string_view::npos);
    EXPECT_TRUE(
        USAGE.starts_with("Usage :\n  telvora detect   [--profiles DIR] [--out FICHIER]\n"));
    EXPECT_TRUE(
        USAGE.ends_with("\n\nSortie : JSON sur stdout. Codes de sortie : 0 succès, "
                        "1 erreur, 2 usage."));
}

struct Accepted {
    Args args;
    Action action;
    std::string profiles;
    std::optional<std::string> out;
};

TEST(ScanArguments, AcceptedForms) {
    const Accepted cases[] = {
        {{}, Action::ShowUsage, "profiles", {}},
        {{"-h"}, Action::Help, "profiles", {}},
        {{"--help", "detect"}, Action::Help, "profiles", {}},
        {{"--help", "--bogus"}, Action::Help, "profiles", {}},
        {{"--service", "whatever"}, Action::RunService, "profiles", {}},
        {{"service", "install", "--bogus"}, Action::InstallService, "profiles", {}},
        {{"service", "uninstall"}, Action::UninstallService, "profiles", {}},
        {{"detect"}, Action::Detect, "profiles", {}},
        {{"profiles", "--out", "f.json"}, Action::Profiles, "profiles", "f.json"},
        {{"detect", "--profiles", "a", "--out", "x", "--profiles", "b", "--out", "y"},
         Action::Detect,
         "b",
         "y"},
        // A value is taken verbatim, even an option name or an empty text.
        {{"detect", "--out", "--profiles"}, Action::Detect, "profiles", "--profiles"},
        {{"detect", "--profiles", ""}, Action::Detect, "", {}},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const auto result = scan_arguments(c.args);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->action, c.action);
        EXPECT_EQ(result->line.profiles, c.profiles);
        EXPECT_EQ(result->line.out, c.out);
    }
}

TEST(ScanArguments, KeepsCommandAndServiceAction) {
    const auto result = scan_arguments(Args{"service", "install", "extra"});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->line.command, "service");
    EXPECT_EQ(result->line.service_action, "install");
    const auto detect = scan_arguments(Args{"detect"});
    ASSERT_TRUE(detect.has_value());
    EXPECT_EQ(detect->line.service_action, std::nullopt);
}

struct Rejected {
    Args args;
    UsageError error;
};

TEST(ScanArguments, UsageErrors) {
    using K = UsageErrorKind;
    const Rejected cases[] = {
        {{"detect", "--help"}, {K::MissingValue, "--help"}},
        {{"detect", "--profiles"}, {K::MissingValue, "--profiles"}},
        {{"detect", "stray"}, {K::MissingValue, "stray"}},
        {{"detect", "stray", "words"}, {K::UnknownOption, "stray"}},
        {{"detect", "--out", "f", "--out"}, {K::MissingValue, "--out"}},
        {{"detect", "--out=f", "x"}, {K::UnknownOption, "--out=f"}},
        {{"detect", "--OUT", "f"}, {K::UnknownOption, "--OUT"}},
        // Options are scanned before the command word.
        {{"nope", "--bogus", "v"}, {K::UnknownOption, "--bogus"}},
        {{"nope", "lone"}, {K::MissingValue, "lone"}},
        {{"--profiles", "x", "detect"}, {K::UnknownOption, "x"}},
        {{"Detect"}, {K::UnknownCommand, "Detect"}},
        {{"nope", "--out", "f"}, {K::UnknownCommand, "nope"}},
        {{""}, {K::UnknownCommand, ""}},
        {{"service"}, {K::MissingServiceAction, ""}},
        {{"service", "Install"}, {K::UnknownServiceAction, "Install"}},
        {{"service", "--profiles", "x"}, {K::UnknownServiceAction, "--profiles"}},
    };
    for (const Rejected& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const auto result = scan_arguments(c.args);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error().kind, c.error.kind);
        EXPECT_EQ(result.error().argument, c.error.argument);
    }
}

TEST(UsageErrorText, Shapes) {
    using K = UsageErrorKind;
    const std::string tail = "\n\n" + std::string(USAGE) + "\n";
    EXPECT_EQ(usage_error_text({K::MissingValue, "--out"}),
              "erreur : valeur manquante pour --out" + tail);
    EXPECT_EQ(usage_error_text({K::UnknownOption, "-x"}), "erreur : option inconnue : -x" + tail);
    EXPECT_EQ(usage_error_text({K::MissingServiceAction, ""}),
              "erreur : sous-action manquante pour service : install ou uninstall" + tail);
    EXPECT_EQ(usage_error_text({K::UnknownServiceAction, "Install"}),
              "commande service inconnue (install ou uninstall)" + tail);
    EXPECT_EQ(usage_error_text({K::UnknownCommand, "Détecter"}),
              "commande inconnue : Détecter" + tail);
}

}  // namespace
}  // namespace telvora
