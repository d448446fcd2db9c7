#include <gtest/gtest.h>

#include "app/pe_image_writer.h"
#include "app/pe_version_resource.h"

namespace kiv {
namespace {

using test_support::buildPeImage;
using test_support::PeImageOptions;
using Kind = PeVersionProblem::Kind;

TEST(PeVersionResource, ReadsTheProductVersionWithoutItsFourthNumber) {
    const auto version = gf_readPeProductVersion(buildPeImage({{16, 9, 0, 7}}));
    ASSERT_TRUE(version) << version.error().text;
    EXPECT_EQ(*version, (Version{16, 9, 0}));
    EXPECT_EQ(*gf_readPeProductVersion(buildPeImage({{1, 65535, 300, 0}})), (Version{1, 65535, 300}));
}

TEST(PeVersionResource, BrokenImagesGiveAProblemNotACrash) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> image;
        Kind kind;
    };
    std::vector<std::uint8_t> truncated = buildPeImage();
    truncated.resize(0x240);
    std::vector<std::uint8_t> noMz = buildPeImage();
    noMz[0] = 'X';
    const std::vector<Row> rows = {
        {"no version resource", buildPeImage({.withVersionResource = false}), Kind::noVersionResource},
        {"not an executable", noMz, Kind::noVersionResource},
        {"empty", {}, Kind::noVersionResource},
        {"cut inside the resources", truncated, Kind::noVersionResource},
        {"wrong signature", buildPeImage({.signature = 0xFEEF04BC}), Kind::invalidData},
        {"fixed block of 51 bytes", buildPeImage({.valueBytes = 51}), Kind::invalidData},
    };
    for (const Row& row : rows) {
        const auto version = gf_readPeProductVersion(row.image);
        ASSERT_FALSE(version) << row.name;
        EXPECT_EQ(version.error().kind, row.kind) << row.name << ": " << version.error().text;
    }
}

} // namespace
} // namespace kiv
