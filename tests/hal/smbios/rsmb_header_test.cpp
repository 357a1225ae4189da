#include <gtest/gtest.h>

#include "hal/smbios/smbios_source.hpp"
#include "hal/smbios/table_builder.hpp"

namespace telvora {
namespace {

using test::Bytes;
using test::bytes;

TEST(ExtractStructureTable, AppliesTheHeaderRules) {
    const std::string too_short = "en-tête RSMB trop court";
    const std::string inconsistent = "longueur RSMB incohérente";
    struct Case {
        const char* name;
        Bytes written;
        HalResult<Bytes> expected;
    };
    // The four version bytes vary on purpose: they never matter.
    const Case cases[] = {
        {"empty", {}, hal_error(HalErrorKind::InvalidData, too_short)},
        {"seven bytes", bytes({0, 3, 4, 0, 0, 0, 0}),
         hal_error(HalErrorKind::InvalidData, too_short)},
        {"length 0", bytes({0, 3, 4, 0, 0, 0, 0, 0}), Bytes{}},
        {"exact", bytes({1, 2, 0, 9, 3, 0, 0, 0, 0xA, 0xB, 0xC}), bytes({0xA, 0xB, 0xC})},
        {"surplus dropped", bytes({0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0xA, 0xB, 0xC, 0xD}),
         bytes({0xA, 0xB})},
        {"one byte missing", bytes({0, 3, 4, 0, 4, 0, 0, 0, 0xA, 0xB, 0xC}),
         hal_error(HalErrorKind::InvalidData, inconsistent)},
        {"length read little-endian", bytes({0, 3, 4, 0, 0, 1, 0, 0, 0xA}),
         hal_error(HalErrorKind::InvalidData, inconsistent)},
        {"length 2^32 - 1", bytes({0, 3, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xA, 0xB}),
         hal_error(HalErrorKind::InvalidData, inconsistent)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(extract_structure_table(c.written), c.expected) << c.name;
}

}  // namespace
}  // namespace telvora
