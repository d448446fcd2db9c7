#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/byte_reader.h"
#include "foundation/byte_writer.h"

namespace kiv {
namespace {

TEST(ByteReader, DecodesLittleEndianFieldsInOrder) {
    const std::vector<std::uint8_t> bytes = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
                                             0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F, 'a',  'b',  0,    'x'};
    ByteReader reader(bytes, "fixture");
    EXPECT_EQ(reader.u8(), 0x01);
    EXPECT_EQ(reader.u16(), 0x1234);
    EXPECT_EQ(reader.u32(), 0x12345678u);
    EXPECT_EQ(reader.i32(), -1);
    EXPECT_EQ(reader.f64(), 1.0);
    EXPECT_EQ(reader.fixedString(4), "ab");
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReader, ReadPastTheEndNamesSourceOffsetAndSizes) {
    const std::array<std::uint8_t, 6> bytes{};
    ByteReader reader(bytes, "peer 127.0.0.1:500");
    reader.u32();
    try {
        reader.u32();
        FAIL() << "no error";
    } catch (const ByteRangeError& error) {
        EXPECT_STREQ(error.what(), "peer 127.0.0.1:500: offset 4: 4 bytes expected, 2 found");
    }
    // The failed read leaves the reader where it was.
    EXPECT_EQ(reader.offset(), 4u);
    EXPECT_THROW(reader.seek(7), ByteRangeError);
}

TEST(ByteReader, FieldWithoutNulYieldsTheWholeField) {
    const std::array<std::uint8_t, 3> bytes{'a', 'b', 'c'};
    ByteReader reader(bytes, "fixture");
    EXPECT_EQ(reader.fixedString(3), "abc");

    // A message with nothing left (or nothing at all) still reads an empty field.
    EXPECT_EQ(reader.fixedString(0), "");
    ByteReader empty(std::span<const std::uint8_t>{}, "empty message");
    EXPECT_EQ(empty.fixedString(0), "");
    EXPECT_THROW(empty.fixedString(1), ByteRangeError);
}

TEST(ByteWriter, WritesLittleEndianAndRoundTrips) {
    std::array<std::uint8_t, 20> bytes{};
    ByteWriter writer(bytes, "buffer");
    writer.u32(0x0A0B0C0D);
    writer.f32(2.5f);
    writer.f64(-3.25);
    writer.u16(0xBEEF);
    writer.u8(7);
    writer.u8(9);
    EXPECT_EQ(bytes[0], 0x0D);
    EXPECT_EQ(bytes[3], 0x0A);
    ByteReader reader(bytes, "buffer");
    EXPECT_EQ(reader.u32(), 0x0A0B0C0Du);
    EXPECT_EQ(reader.f32(), 2.5f);
    EXPECT_EQ(reader.f64(), -3.25);
    EXPECT_EQ(reader.u16(), 0xBEEF);
    EXPECT_THROW(writer.u8(1), ByteRangeError);
}

TEST(ByteWriter, FixedStringNeedsRoomForItsNul) {
    struct Case {
        const char* text;
        bool fits;
        std::string stored;
    };
    const Case cases[] = {
        {"", true, ""}, {"abc", true, "abc"}, {"abcd", false, ""}, {"abcdefgh", false, ""}, {nullptr, true, ""},
    };
    for (const auto& c : cases) {
        std::array<std::uint8_t, 6> bytes;
        bytes.fill(0xEE);
        ByteWriter writer(bytes, "buffer");
        writer.u8(1);
        EXPECT_EQ(writer.fixedString(c.text, 4), c.fits) << (c.text ? c.text : "(null)");
        if (c.fits) {
            EXPECT_EQ(writer.offset(), 5u);
            ByteReader reader(bytes, "buffer");
            reader.skip(1);
            EXPECT_EQ(reader.fixedString(4), c.stored);
            EXPECT_EQ(bytes[4], 0) << "rest of the field zero-filled";
        } else {
            EXPECT_EQ(writer.offset(), 1u);
            EXPECT_EQ(bytes[1], 0xEE) << "nothing written";
        }
    }
}

TEST(ByteWriter, UnterminatedTextIsNotReadBeyondTheField) {
    // Four characters and no NUL: the writer must refuse without looking further.
    const char text[4] = {'w', 'x', 'y', 'z'};
    std::array<std::uint8_t, 4> bytes{};
    ByteWriter writer(bytes, "buffer");
    EXPECT_FALSE(writer.fixedString(text, 4));
}

} // namespace
} // namespace kiv
