#include <string>
#include <unordered_set>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "models/interned_codes.h"
#include "models/livery_key.h"
#include "models/livery_key_text.h"

namespace kiv {
namespace {

TEST(LiveryKey, PacksFieldsAsLittleEndianBytesInOrder) {
    const LiveryKey key{0x0102, 0x0304, 0x0506, 1, 1};
    EXPECT_EQ(key.packed(), 0x0101'0506'0304'0102u);
    EXPECT_EQ(LiveryKey::unpacked(key.packed()), key);

    // Every byte takes part in equality and in the hash.
    const LiveryKey variants[] = {
        {}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}, {256, 0, 0, 0, 0}};
    std::unordered_set<std::size_t> hashes;
    for (const LiveryKey& variant : variants) {
        hashes.insert(LiveryKeyHash{}(variant));
        for (const LiveryKey& other : variants) {
            EXPECT_EQ(variant == other, &variant == &other);
        }
    }
    EXPECT_EQ(hashes.size(), std::size(variants));
}

TEST(LiveryKey, HashIsFnv1aOverTheEightBytes) {
    // FNV-1a of eight zero bytes.
    EXPECT_EQ(LiveryKeyHash{}(LiveryKey{}), static_cast<std::size_t>(0xa8c7f832281a39c5u));
}

TEST(LiveryKey, TextFormNamesTheCodes) {
    gf_resetInternedCodesForTesting();
    gf_airlineId("");
    gf_modelId("");
    const std::uint16_t dlh = gf_airlineId("DLH");
    const std::uint16_t clh = gf_airlineId("CLH");
    const std::uint16_t a320 = gf_modelId("A320");
    const std::uint16_t crj9 = gf_modelId("CRJ9");
    const std::uint16_t b77l = gf_modelId("B77L");
    const std::uint16_t fdx = gf_airlineId("FDX");
    struct Case {
        LiveryKey key;
        const char* text;
    };
    const Case cases[] = {
        {{dlh, 0, a320, 0, 1}, "DLH     A320.   "}, {{dlh, clh, crj9, 0, 0}, "DLH,CLH CRJ9    "},
        {{fdx, 0, b77l, 1, 0}, "FDX     B77L (C)"}, {{}, "                "}, // 16 blanks
        {{dlh, 0, 9999, 0, 0}, "DLH             "},                           // an id beyond the table reads as no code
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fmt::format("{}", c.key), c.text);
        EXPECT_EQ(gf_liveryKeyText(c.key), c.text);
    }
    gf_resetInternedCodesForTesting();
}

TEST(SizeClass, NamesAndRefusesValuesOutsideTheTable) {
    EXPECT_EQ(gf_sizeClassName(SizeClass::Light), "Light");
    EXPECT_EQ(gf_sizeClassName(SizeClass::Bizjet), "Bizjet");
    EXPECT_EQ(gf_sizeClassName(SizeClass::Rotorcraft), "Rotorcraft");
    EXPECT_THROW(gf_sizeClassName(static_cast<SizeClass>(7)), std::out_of_range);
}

} // namespace
} // namespace kiv
