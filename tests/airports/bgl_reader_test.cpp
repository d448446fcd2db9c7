#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/bgl_reader.h"
#include "test_support/bgl_builder.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::bglRecord;
using test_support::BglSection;
using test_support::BglSubsection;
using test_support::buildAirportBgl;
using test_support::buildBgl;
using test_support::BuiltBgl;
using test_support::Bytes;
using test_support::setU32;

Bytes record(std::size_t size) { return bglRecord(0x3C, Bytes(size - 6, 0)); }

std::vector<BglRecordRef> recordsOf(const BglWalkResult& result) {
    if (const auto* error = std::get_if<BglError>(&result)) {
        ADD_FAILURE() << "error " << int(error->code) << " at " << error->offset << ": " << error->message;
        return {};
    }
    return std::get<std::vector<BglRecordRef>>(result);
}

struct BrokenFile {
    std::string name;
    std::function<Bytes(std::uint64_t& expectedOffset)> make;
    std::uint8_t code;
    std::string message;
};

// Each case breaks one rule of an otherwise valid file and names where the walk must stop.
std::vector<BrokenFile> brokenFiles() {
    return {
        {"shorter than the header",
         [](std::uint64_t& at) {
             at = 0;
             return Bytes(0x37, 0);
         },
         0, "BGL file is smaller than its header"},
        {"header size 0x40",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             setU32(file.bytes, 4, 0x40);
             at = 4;
             return file.bytes;
         },
         1, "Unexpected BGL header size"},
        {"section table one byte past the end",
         [](std::uint64_t& at) {
             BuiltBgl file = buildBgl({BglSection{7, false, {}}});
             file.bytes.resize(0x38 + 19);
             at = 0x38;
             return file.bytes;
         },
         2, "BGL section table exceeds the file"},
        {"subsection table past the end",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             at = file.bytes.size() - 8;
             setU32(file.bytes, file.sectionEntries[0] + 12, static_cast<std::uint32_t>(at));
             return file.bytes;
         },
         3, "Airport subsection table exceeds the file"},
        {"subsection count too large for the file",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             setU32(file.bytes, file.sectionEntries[0] + 8, 0x10000000);
             at = file.subsectionTables[0];
             return file.bytes;
         },
         3, "Airport subsection table exceeds the file"},
        {"data block one byte past the end",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             setU32(file.bytes, file.subsectionEntries[0] + 12, 9);
             at = file.blocks[0];
             return file.bytes;
         },
         4, "Airport subsection data exceeds the file"},
        {"overlapping subsection tables",
         [](std::uint64_t& at) {
             BuiltBgl file = buildBgl({BglSection{3, false, {BglSubsection{{record(8)}}, BglSubsection{{record(8)}}}},
                                       BglSection{3, false, {BglSubsection{{record(8)}}}}});
             at = file.subsectionTables[0] + 4;
             setU32(file.bytes, file.sectionEntries[1] + 12, static_cast<std::uint32_t>(at));
             return file.bytes;
         },
         5, "Airport subsection tables overlap"},
        {"overlapping data blocks",
         [](std::uint64_t& at) {
             BuiltBgl file = buildBgl({BglSection{3, false, {BglSubsection{{record(8), record(8)}}}},
                                       BglSection{3, false, {BglSubsection{{record(8)}}}}});
             at = file.blocks[0] + 8;
             setU32(file.bytes, file.subsectionEntries[1] + 8, static_cast<std::uint32_t>(at));
             return file.bytes;
         },
         5, "Airport subsection data blocks overlap"},
        {"three records cannot fit in 16 bytes",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8), record(8)});
             setU32(file.bytes, file.subsectionEntries[0] + 4, 3);
             at = file.subsectionEntries[0];
             return file.bytes;
         },
         6, "Airport subsection record count cannot fit in its data block"},
        {"record header past the block",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(12), Bytes(4, 0)});
             at = file.blocks[0] + 12;
             return file.bytes;
         },
         7, "Airport section record header exceeds its subsection"},
        {"record size 7",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             at = file.records[0];
             setU32(file.bytes, at + 2, 7);
             return file.bytes;
         },
         8, "Airport section record has an invalid size"},
        {"record size 4",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8)});
             at = file.records[0];
             setU32(file.bytes, at + 2, 4);
             return file.bytes;
         },
         8, "Airport section record has an invalid size"},
        {"record past the block",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8), record(8)});
             at = file.records[1];
             setU32(file.bytes, at + 2, 12);
             return file.bytes;
         },
         9, "Airport section record exceeds its subsection"},
        {"records end 4 bytes short of the block",
         [](std::uint64_t& at) {
             BuiltBgl file = buildAirportBgl({record(8), Bytes(4, 0)});
             setU32(file.bytes, file.subsectionEntries[0] + 4, 1);
             at = file.blocks[0] + 8;
             return file.bytes;
         },
         10, "Airport subsection record count does not consume its complete data block"},
    };
}

TEST(BglWalk, EachBrokenRuleGivesItsErrorAtItsOffset) {
    for (const BrokenFile& broken : brokenFiles()) {
        std::uint64_t offset = 0;
        const Bytes bytes = broken.make(offset);
        const BglWalkResult result = lf_walkBglFile(bytes);
        const auto* error = std::get_if<BglError>(&result);
        ASSERT_NE(error, nullptr) << broken.name;
        EXPECT_EQ(error->code, broken.code) << broken.name;
        EXPECT_EQ(error->offset, offset) << broken.name;
        EXPECT_EQ(error->message, broken.message) << broken.name;
    }
}

TEST(BglWalk, ListsTheRecordsOfAirportSectionsOnlyInFileOrder) {
    const BuiltBgl file = buildBgl({BglSection{3, false, {BglSubsection{{record(8), record(12)}}}},
                                    BglSection{0x13, false, {BglSubsection{{record(16)}}}},
                                    BglSection{3, true, {BglSubsection{{record(20)}}, BglSubsection{}}}});
    const std::vector<BglRecordRef> expected{
        {0x3C, file.records[0], 8}, {0x3C, file.records[1], 12}, {0x3C, file.records[3], 20}};
    EXPECT_EQ(recordsOf(lf_walkBglFile(file.bytes)), expected);
}

TEST(BglWalk, SharedTablesAndBlocksAreWalkedOnce) {
    // Two section entries naming one subsection table.
    BuiltBgl file = buildBgl({BglSection{3, false, {BglSubsection{{record(8)}}}}, BglSection{3, false, {}}});
    setU32(file.bytes, file.sectionEntries[1] + 8, 1);
    setU32(file.bytes, file.sectionEntries[1] + 12, static_cast<std::uint32_t>(file.subsectionTables[0]));
    EXPECT_EQ(recordsOf(lf_walkBglFile(file.bytes)).size(), 1u);

    // Two subsections naming one data block.
    file = buildBgl({BglSection{3, false, {BglSubsection{{record(8)}}, BglSubsection{{record(8)}}}}});
    setU32(file.bytes, file.subsectionEntries[1] + 8, static_cast<std::uint32_t>(file.blocks[0]));
    const std::vector<BglRecordRef> records = recordsOf(lf_walkBglFile(file.bytes));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].offset, file.blocks[0]);
}

TEST(BglWalk, CountsAndOffsetsNearFourGigabytesDoNotWrapAround) {
    BuiltBgl file = buildAirportBgl({record(8)});
    // 0xFFFFFFFF entries of 16 bytes and a block at 0xFFFFFFF0 of 0x20 bytes would pass a
    // 32-bit check by wrapping.
    Bytes bytes = file.bytes;
    setU32(bytes, file.sectionEntries[0] + 8, 0xFFFFFFFF);
    EXPECT_EQ(std::get<BglError>(lf_walkBglFile(bytes)).code, 3);
    bytes = file.bytes;
    setU32(bytes, file.subsectionEntries[0] + 8, 0xFFFFFFF0);
    setU32(bytes, file.subsectionEntries[0] + 12, 0x20);
    EXPECT_EQ(std::get<BglError>(lf_walkBglFile(bytes)).code, 4);
}

TEST(BglRanges, InsertReportsSameAndOverlappingRanges) {
    RangeSet ranges;
    EXPECT_EQ(lf_insertRange(ranges, 100, 10), 0);
    EXPECT_EQ(lf_insertRange(ranges, 120, 10), 0);
    struct Case {
        std::uint64_t start, length;
        std::uint8_t result;
    };
    for (const Case& c : {Case{100, 10, 1}, Case{110, 10, 0}, Case{95, 6, 2}, Case{109, 2, 2}, Case{129, 5, 2},
                          Case{90, 50, 2}, Case{105, 0, 0}, Case{130, 1, 0}}) {
        EXPECT_EQ(lf_insertRange(ranges, c.start, c.length), c.result) << c.start << "+" << c.length;
    }
    EXPECT_EQ(ranges.size(), 4u); // the empty range is not stored
}

TEST(BglRanges, FitsAndReadsStayInsideTheBytes) {
    EXPECT_TRUE(lf_rangeFits(10, 0, 10));
    EXPECT_FALSE(lf_rangeFits(11, 0, 10));
    EXPECT_FALSE(lf_rangeFits(4, 0xFFFFFFFFFFFFFFFF, 10));
    const Bytes bytes{1, 2, 3, 4, 5};
    EXPECT_EQ(lf_readU16At(bytes, 3), 0x0504);
    EXPECT_FALSE(lf_readU16At(bytes, 4));
    EXPECT_EQ(lf_readU32At(bytes, 1), 0x05040302u);
    EXPECT_FALSE(lf_readU32At(bytes, 2));
    EXPECT_FALSE(lf_readU32At(bytes, 0xFFFFFFFFFFFFFFFE));
}

TEST(BglQuickTest, FindsAnAirportSectionFromTheSectionTableAlone) {
    test_support::TempFolder folder;
    const auto write = [&](const std::string& name, const Bytes& bytes) {
        test_support::writeBytes(folder.path() / name, bytes);
        return folder.path() / name;
    };
    const BuiltBgl airport = buildBgl({BglSection{0x13, false, {}}, BglSection{3, false, {}}});
    EXPECT_TRUE(lf_bglHasAirportSection(write("airport.bgl", airport.bytes)));
    EXPECT_FALSE(lf_bglHasAirportSection(write("other.bgl", buildBgl({BglSection{0x13, false, {}}}).bytes)));
    EXPECT_FALSE(lf_bglHasAirportSection(folder.path() / "missing.bgl"));
    EXPECT_FALSE(lf_bglHasAirportSection(write("short.bgl", Bytes(56, 0))));

    Bytes noSections = airport.bytes;
    setU32(noSections, 0x14, 0);
    EXPECT_FALSE(lf_bglHasAirportSection(write("none.bgl", noSections)));
    // A count larger than the table the file can hold means none, even with a type 3 in it.
    Bytes tooMany = airport.bytes;
    setU32(tooMany, 0x14, static_cast<std::uint32_t>((tooMany.size() - 56) / 20 + 1));
    EXPECT_FALSE(lf_bglHasAirportSection(write("toomany.bgl", tooMany)));
}

TEST(BglQuickTest, ReadsMoreThanOneBatchOfSectionEntries) {
    test_support::TempFolder folder;
    std::vector<BglSection> sections(70, BglSection{0x13, false, {}});
    sections.back().type = 3;
    test_support::writeBytes(folder.path() / "many.bgl", buildBgl(sections).bytes);
    EXPECT_TRUE(lf_bglHasAirportSection(folder.path() / "many.bgl"));
}

} // namespace
} // namespace kiv
