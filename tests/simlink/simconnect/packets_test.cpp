#include <array>
#include <bit>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "test_peer.h"

namespace kiv::simconnect {
namespace {

using testing::Bytes;
using testing::PipeSession;
using testing::readPacket;

// The expected bytes, put together at the offsets of the protocol table, independently
// of the client's writer.
class Expected {
public:
    Expected(std::size_t size, std::uint32_t id, std::uint32_t sendId) : bytes_(size, 0) {
        u32(0, static_cast<std::uint32_t>(size));
        u32(4, 35);
        u32(8, 0xF0000000u | id);
        u32(12, sendId);
    }
    Expected& u32(std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.at(offset + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return *this;
    }
    Expected& f32(std::size_t offset, float value) { return u32(offset, std::bit_cast<std::uint32_t>(value)); }
    Expected& f64(std::size_t offset, double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        u32(offset, static_cast<std::uint32_t>(bits));
        return u32(offset + 4, static_cast<std::uint32_t>(bits >> 32));
    }
    Expected& text(std::size_t offset, const std::string& value) {
        std::copy(value.begin(), value.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
        return *this;
    }
    Expected& raw(std::size_t offset, const Bytes& value) {
        std::copy(value.begin(), value.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

TEST(Packets, OpenIsByteExact) {
    PipeSession session;
    const Bytes expected =
        Expected(296, 0x01, 1).text(16, "VELT_P3D").raw(276, {0x00, 'D', '3', 'P'}).u32(280, 5).u32(284, 3).bytes();
    EXPECT_EQ(session.openPacket, expected);
}

TEST(Packets, EveryCallSendsItsPacketByteExact) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    const HSimConnect h = session.handle;
    const std::array<double, 8> pose = {47.5, 8.5, 0.01, -0.02, 3.1, 1500.0, -700.0, 145.0};
    Bytes poseBytes;
    for (const double value : pose) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i) {
            poseBytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    }
    const InitPosition init{47.25, 8.75, 1417.0, -2.5, 0.5, 270.0, 1, 12};
    struct Row {
        const char* name;
        std::function<Hresult()> call;
        std::function<Bytes(std::uint32_t sendId)> expected;
    };
    const Row rows[] = {
        {"MapClientEventToSimEvent", [&] { return SimConnect_MapClientEventToSimEvent(h, 220, "GEAR_SET"); },
         [](std::uint32_t id) { return Expected(276, 0x04, id).u32(16, 220).text(20, "GEAR_SET").bytes(); }},
        {"TransmitClientEvent", [&] { return SimConnect_TransmitClientEvent(h, 1001, 215, 1, 301, 0); },
         [](std::uint32_t id) {
             return Expected(36, 0x05, id).u32(16, 1001).u32(20, 215).u32(24, 1).u32(28, 301).u32(32, 0).bytes();
         }},
        {"AddClientEventToNotificationGroup",
         [&] { return SimConnect_AddClientEventToNotificationGroup(h, 301, 208, 1); },
         [](std::uint32_t id) { return Expected(28, 0x07, id).u32(16, 301).u32(20, 208).u32(24, 1).bytes(); }},
        {"SetNotificationGroupPriority", [&] { return SimConnect_SetNotificationGroupPriority(h, 301, 1); },
         [](std::uint32_t id) { return Expected(24, 0x09, id).u32(16, 301).u32(20, 1).bytes(); }},
        {"AddToDataDefinition",
         [&] { return SimConnect_AddToDataDefinition(h, 402, "Plane Latitude", "degree", 4, 0.25f, 0xFFFFFFFFu); },
         [](std::uint32_t id) {
             return Expected(544, 0x0C, id)
                 .u32(16, 402)
                 .text(20, "Plane Latitude")
                 .text(276, "degree")
                 .u32(532, 4)
                 .f32(536, 0.25f)
                 .u32(540, 0xFFFFFFFFu)
                 .bytes();
         }},
        {"AddToDataDefinition with null units",
         [&] { return SimConnect_AddToDataDefinition(h, 408, "TITLE", nullptr, 11, 0.0f, 0xFFFFFFFFu); },
         [](std::uint32_t id) {
             return Expected(544, 0x0C, id).u32(16, 408).text(20, "TITLE").u32(532, 11).u32(540, 0xFFFFFFFFu).bytes();
         }},
        {"RequestDataOnSimObject", [&] { return SimConnect_RequestDataOnSimObject(h, 109, 403, 0, 3, 1, 2, 4, 5); },
         [](std::uint32_t id) {
             return Expected(48, 0x0E, id)
                 .u32(16, 109)
                 .u32(20, 403)
                 .u32(24, 0)
                 .u32(28, 3)
                 .u32(32, 1)
                 .u32(36, 2)
                 .u32(40, 4)
                 .u32(44, 5)
                 .bytes();
         }},
        {"RequestDataOnSimObjectType", [&] { return SimConnect_RequestDataOnSimObjectType(h, 101, 405, 20000, 2); },
         [](std::uint32_t id) {
             return Expected(32, 0x0F, id).u32(16, 101).u32(20, 405).u32(24, 20000).u32(28, 2).bytes();
         }},
        {"SetDataOnSimObject pose", [&] { return SimConnect_SetDataOnSimObject(h, 402, 1001, 0, 1, 64, pose.data()); },
         [&](std::uint32_t id) {
             return Expected(100, 0x10, id)
                 .u32(16, 402)
                 .u32(20, 1001)
                 .u32(24, 0)
                 .u32(28, 1)
                 .u32(32, 64)
                 .raw(36, poseBytes)
                 .bytes();
         }},
        {"SetDataOnSimObject count 0 is sent as 1",
         [&] { return SimConnect_SetDataOnSimObject(h, 402, 1002, 0, 0, 64, pose.data()); },
         [&](std::uint32_t id) {
             return Expected(100, 0x10, id)
                 .u32(16, 402)
                 .u32(20, 1002)
                 .u32(28, 1)
                 .u32(32, 64)
                 .raw(36, poseBytes)
                 .bytes();
         }},
        {"SetDataOnSimObject two units", [&] { return SimConnect_SetDataOnSimObject(h, 401, 7, 0, 2, 8, pose.data()); },
         [&](std::uint32_t id) {
             return Expected(52, 0x10, id)
                 .u32(16, 401)
                 .u32(20, 7)
                 .u32(28, 2)
                 .u32(32, 8)
                 .raw(36, Bytes(poseBytes.begin(), poseBytes.begin() + 16))
                 .bytes();
         }},
        {"SubscribeToSystemEvent", [&] { return SimConnect_SubscribeToSystemEvent(h, 204, "Frame"); },
         [](std::uint32_t id) { return Expected(276, 0x17, id).u32(16, 204).text(20, "Frame").bytes(); }},
        {"AICreateNonATCAircraft",
         [&] { return SimConnect_AICreateNonATCAircraft(h, "Boeing 737-800 Paint1", "N12345", init, 77); },
         [](std::uint32_t id) {
             return Expected(344, 0x29, id)
                 .text(16, "Boeing 737-800 Paint1")
                 .text(272, "N12345")
                 .f64(284, 47.25)
                 .f64(292, 8.75)
                 .f64(300, 1417.0)
                 .f64(308, -2.5)
                 .f64(316, 0.5)
                 .f64(324, 270.0)
                 .u32(332, 1)
                 .u32(336, 12)
                 .u32(340, 77)
                 .bytes();
         }},
        {"AIReleaseControl", [&] { return SimConnect_AIReleaseControl(h, 1001, 104); },
         [](std::uint32_t id) { return Expected(24, 0x2B, id).u32(16, 1001).u32(20, 104).bytes(); }},
        {"AIRemoveObject", [&] { return SimConnect_AIRemoveObject(h, 1001, 105); },
         [](std::uint32_t id) { return Expected(24, 0x2C, id).u32(16, 1001).u32(20, 105).bytes(); }},
        {"AISetAircraftFlightPlan",
         [&] { return SimConnect_AISetAircraftFlightPlan(h, 1001, "orig_dest/ABC123", 110); },
         [](std::uint32_t id) {
             return Expected(284, 0x2D, id).u32(16, 1001).text(20, "orig_dest/ABC123").u32(280, 110).bytes();
         }},
    };
    std::uint32_t sendId = 1; // OPEN took the first
    for (const auto& row : rows) {
        ASSERT_EQ(row.call(), kS_OK) << row.name;
        ++sendId;
        std::uint32_t last = 0;
        EXPECT_EQ(SimConnect_GetLastSentPacketID(h, &last), kS_OK);
        EXPECT_EQ(last, sendId) << row.name;
        EXPECT_EQ(readPacket(session.peer), row.expected(sendId)) << row.name;
    }
}

// A text that fills its field without room for the NUL is refused with 0x8007007A; the
// send id is used up all the same, and nothing is sent.
TEST(Packets, TextLimitsOfEveryStringField) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    const HSimConnect h = session.handle;
    const InitPosition init{};
    struct Row {
        const char* name;
        std::size_t usable;
        std::function<Hresult(const std::string&)> call;
    };
    const Row rows[] = {
        {"event name", 255, [&](const std::string& t) { return SimConnect_MapClientEventToSimEvent(h, 1, t.c_str()); }},
        {"system event name", 255,
         [&](const std::string& t) { return SimConnect_SubscribeToSystemEvent(h, 1, t.c_str()); }},
        {"datum name", 255,
         [&](const std::string& t) { return SimConnect_AddToDataDefinition(h, 1, t.c_str(), "feet", 4, 0, 0); }},
        {"units name", 255,
         [&](const std::string& t) { return SimConnect_AddToDataDefinition(h, 1, "X", t.c_str(), 4, 0, 0); }},
        {"container title", 255,
         [&](const std::string& t) { return SimConnect_AICreateNonATCAircraft(h, t.c_str(), "N1", init, 1); }},
        {"tail number", 11,
         [&](const std::string& t) { return SimConnect_AICreateNonATCAircraft(h, "A", t.c_str(), init, 1); }},
        {"flight-plan path", 259,
         [&](const std::string& t) { return SimConnect_AISetAircraftFlightPlan(h, 1, t.c_str(), 1); }},
    };
    std::uint32_t sendId = 1;
    for (const auto& row : rows) {
        const std::string fits(row.usable, 'x');
        ASSERT_EQ(row.call(fits), kS_OK) << row.name;
        ++sendId;
        const Bytes packet = readPacket(session.peer);
        EXPECT_NE(std::search(packet.begin(), packet.end(), fits.begin(), fits.end()), packet.end()) << row.name;

        EXPECT_EQ(row.call(std::string(row.usable + 1, 'y')), kInsufficientBuffer) << row.name;
        ++sendId;
        std::uint32_t last = 0;
        SimConnect_GetLastSentPacketID(h, &last);
        EXPECT_EQ(last, sendId) << row.name << ": the refused call used its id";
    }
    // Nothing of the refused calls went out: the next packet on the wire is this one.
    ASSERT_EQ(SimConnect_AIRemoveObject(h, 5, 105), kS_OK);
    const Bytes next = readPacket(session.peer);
    EXPECT_EQ(next, Expected(24, 0x2C, sendId + 1).u32(16, 5).u32(20, 105).bytes());
}

TEST(Packets, PacketLargerThanTheFreeRoomIsRefusedWithoutSending) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    const std::vector<std::uint8_t> data(kSendBufferSize, 0x5A);
    // 36 + 41053 bytes is one byte more than the whole send buffer.
    EXPECT_EQ(SimConnect_SetDataOnSimObject(session.handle, 1, 2, 0, 1, 41053, data.data()), kE_FAIL);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(session.handle, 1, 2, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, data.data()), kE_FAIL);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(session.handle, 1, 2, 0, 1, 8, nullptr), kE_INVALIDARG);
    std::uint32_t last = 0;
    SimConnect_GetLastSentPacketID(session.handle, &last);
    EXPECT_EQ(last, 1u) << "no id taken by a packet that could not be reserved";
    // Exactly the whole buffer still fits.
    ASSERT_EQ(SimConnect_SetDataOnSimObject(session.handle, 1, 2, 0, 1, 41052, data.data()), kS_OK);
    EXPECT_EQ(readPacket(session.peer).size(), kSendBufferSize);
}

TEST(Packets, SendIdWrapsFrom0xFFFFFFFFToOne) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    session.handle->connection->sendBuffer().setLastSendIdForTesting(0xFFFFFFFEu);
    for (const std::uint32_t expected : {0xFFFFFFFFu, 1u, 2u}) {
        ASSERT_EQ(SimConnect_AIReleaseControl(session.handle, 9, 104), kS_OK);
        EXPECT_EQ(readPacket(session.peer), Expected(24, 0x2B, expected).u32(16, 9).u32(20, 104).bytes());
    }
}

} // namespace
} // namespace kiv::simconnect
