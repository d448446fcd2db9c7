// The user aircraft: its identity, on-ground report, position snapshot and simulator time.
#include <gtest/gtest.h>

#include "client_fixture.h"
#include "foundation/user_related_exception.h"
#include "simlink/link_ids.h"
#include "simlink/user_aircraft.h"

namespace kiv {
namespace {

using namespace link_ids;
using test_support::ClientFixture;
using test_support::dataMessage;
using test_support::MessageBuilder;

std::vector<std::uint8_t> titleReply(const std::string& title, bool terminated = true) {
    return dataMessage(8, kRequestUserTitle, 1, kDefinitionUserTitle,
                       [&](MessageBuilder& m) { m.text(title, title.size() + (terminated ? 1 : 0)); });
}

std::vector<std::uint8_t> modelReply(const std::string& model) {
    return dataMessage(8, kRequestUserModel, 1, kDefinitionUserModel, [&](MessageBuilder& m) { m.text(model, 32); });
}

std::vector<std::uint8_t> onGroundReply(std::int64_t onGround) {
    return dataMessage(8, kRequestUserOnGround, 1, kDefinitionUserOnGround,
                       [&](MessageBuilder& m) { m.i64(onGround); });
}

struct Position {
    double latitude = 47.45;
    double longitude = 8.55;
    double altitudeFt = 1416.0;
    double groundSpeedKt = 0.0;
    std::int64_t zuluSeconds = 43200;
    std::int64_t dayOfYear = 160;
    std::int64_t year = 2025;
};

std::vector<std::uint8_t> positionReply(const Position& p, std::uint32_t objectId = 1) {
    return dataMessage(8, kRequestUserPosition, objectId, kDefinitionUserPosition, [&](MessageBuilder& m) {
        m.f64(p.latitude).f64(p.longitude).f64(0.01).f64(0.0).f64(-100.0).f64(1.2).f64(p.altitudeFt);
        m.f64(p.altitudeFt).f64(0.0).f64(p.groundSpeedKt);
        m.i64(p.zuluSeconds).i64(p.dayOfYear).i64(p.year).i64(5).f64(68.0);
    });
}

TEST(UserAircraft, ZuluTimeBecomesUnixSecondsWithinTheCalendar) {
    struct Case {
        std::int64_t year;
        std::int64_t day;
        std::int64_t seconds;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {1970, 1, 0, 0},
        {2000, 1, 0, 946684800},
        {2024, 366, 86399, 1735689599}, // 31 December of a leap year
        {2025, 160, 43200, 1749470400},
        {1969, 365, 86399, -1},
        {2023, 366, 0, std::nullopt}, // no such day
        {1900, 366, 0, std::nullopt}, // no leap year
        {2000, 366, 0, 978220800},    // but this one is
        {2025, 0, 0, std::nullopt},
        {2025, 1, 86400, std::nullopt},
        {2025, 1, -1, std::nullopt},
        {32768, 1, 0, std::nullopt},
        {-32767, 1, 0, -1096193779200},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_zuluToUnixSeconds(c.year, c.day, c.seconds), c.expected) << c.year << "/" << c.day;
    }
}

TEST(UserAircraft, TheTitleAndModelDecideTheUserModel) {
    struct Case {
        std::string title;
        std::string model;
        std::string logged; // part of the model line
        bool spanKnown;
    };
    const Case cases[] = {
        {"Boeing 737-800 Paint1", "B738",
         "SimConnect: User aircraft model: B738, half wing span: 17.9 meter, "
         "category: Large",
         true},
        {"Aerosoft A319 Lufthansa", "A20N", "SimConnect: User aircraft model deduced from title: A320", true},
        {"Aerosoft A321 Swiss", "A20N", "SimConnect: User aircraft model deduced from title: A321", true},
        {"Some Glider", "GLIDER", "SimConnect: User aircraft model: GLIDER, half wing span: 0.0 meter", false},
    };
    for (const Case& c : cases) {
        ClientFixture f;
        f.dispatch(titleReply(c.title));
        f.dispatch(modelReply(c.model));
        EXPECT_TRUE(f.logged("SimConnect: user aircraft title: " + c.title)) << c.title;
        EXPECT_TRUE(f.logged("model raw: " + c.model)) << c.title;
        EXPECT_TRUE(f.logged(c.logged)) << c.title;
        const UserAircraftIdentity identity = f.link.userAircraftIdentity();
        EXPECT_DOUBLE_EQ(identity.halfSpanNm, c.spanKnown ? 17.9 / 1852.0 : 40.0 / 1852.0) << c.title;
        EXPECT_EQ(f.shell.messages.size(), c.spanKnown ? 0u : 1u) << c.title;
        EXPECT_EQ(f.link.userReplyBits(), kUserReplyTitle | kUserReplyModel) << c.title;
    }
}

TEST(UserAircraft, AMissingModelOrAVehicleThatIsNoAircraftIsTheUsersToFix) {
    struct Case {
        std::string model;
        std::int32_t code;
    };
    for (const Case& c : {Case{"", 71}, Case{"camerapod", 73}, Case{"Crew Vessel", 73}}) {
        ClientFixture f;
        try {
            f.dispatch(modelReply(c.model));
            ADD_FAILURE() << "'" << c.model << "' accepted";
        } catch (const UserRelatedException& error) {
            EXPECT_EQ(error.code(), c.code) << c.model;
        }
        EXPECT_EQ(f.link.userReplyBits() & kUserReplyModel, 0) << c.model;
    }
}

TEST(UserAircraft, AnUnterminatedOrEmptyTitleIsLogged) {
    ClientFixture f;
    f.dispatch(titleReply("Cessna", false));
    EXPECT_TRUE(f.logged("SimConnect USER_AC_TITLE is not null terminated"));
    EXPECT_EQ(f.link.userReplyBits(), 0);
    f.dispatch(titleReply(""));
    EXPECT_TRUE(f.logged("! Title of your aircraft is empty?"));
}

TEST(UserAircraft, ThePositionReplyIsTheSnapshotAndNamesTheUserObject) {
    ClientFixture f;
    Position p;
    p.altitudeFt = -12.0;
    f.dispatch(positionReply(p, 7));
    const UserAircraftState user = f.link.gf_getUserAircraft();
    EXPECT_EQ(user.latitude, 47.45);
    EXPECT_EQ(user.longitude, 8.55);
    EXPECT_EQ(user.altitudeFt, 0.0); // a negative altitude is stored as 0
    EXPECT_EQ(user.headingRad, 1.2);
    EXPECT_EQ(user.zuluYear, 2025);
    EXPECT_EQ(user.lightStates, 5);
    EXPECT_EQ(user.groundTrackDeg, 68.0);
    EXPECT_EQ(f.client.session().userObjectId, 7u);
}

TEST(UserAircraft, AJumpOfMoreThanTenMilesIsATeleport) {
    struct Case {
        double fromLatitude;
        double toLatitude;
        bool restart;
    };
    // 0.1667 degrees of latitude are 10.0 NM.
    for (const Case c : {Case{47.0, 47.16, false}, Case{47.0, 47.17, true}, Case{0.0, 47.5, false}}) {
        ClientFixture f;
        Position p;
        p.latitude = c.fromLatitude;
        p.longitude = c.fromLatitude == 0.0 ? 0.0 : 8.0;
        f.dispatch(positionReply(p));
        p.latitude = c.toLatitude;
        p.longitude = 8.0;
        f.dispatch(positionReply(p));
        EXPECT_EQ(f.logged("Teleport"), c.restart) << c.toLatitude;
        EXPECT_EQ(gf_pendingStopRequest() != nullptr, c.restart) << c.toLatitude;
    }
}

TEST(UserAircraft, TheOnGroundReportCountsOnceThePositionIsKnown) {
    ClientFixture f;
    f.dispatch(onGroundReply(1));
    EXPECT_EQ(f.neighbours.secondReports, 1);
    EXPECT_EQ(f.link.userOnGroundState(), kUserOnGroundUnknown);
    EXPECT_TRUE(f.client.session().userDataSeen);

    f.dispatch(positionReply(Position{}));
    f.dispatch(onGroundReply(1));
    f.dispatch(onGroundReply(0));
    EXPECT_EQ(f.neighbours.secondReports, 3);
    EXPECT_EQ(f.link.userOnGroundState(), 0);
    EXPECT_FALSE(f.link.gf_getUserAircraft().onGround);
    const auto lines = f.log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("User ground data: SIM ON GROUND=1"); }),
              1);
}

TEST(UserAircraft, OnTheGroundTheUsersStandIsShown) {
    ClientFixture f;
    f.neighbours.stand = "E24";
    f.dispatch(positionReply(Position{}));
    EXPECT_TRUE(f.shell.userStands.empty()); // not known to be on the ground yet
    f.dispatch(onGroundReply(1));
    f.dispatch(positionReply(Position{}));
    f.neighbours.stand.reset();
    f.dispatch(positionReply(Position{}));
    EXPECT_EQ(f.shell.userStands, (std::vector<std::string>{"E24", ""}));
}

TEST(UserAircraft, TheSimulatorTimeIsKeptForTheProfessionalEdition) {
    ClientFixture f;
    Position p;
    f.dispatch(positionReply(p));
    EXPECT_FALSE(f.link.simulatorUtcSeconds()); // not asked for

    f.neighbours.professional = true;
    f.dispatch(positionReply(p));
    EXPECT_EQ(f.link.simulatorUtcSeconds(), std::optional<std::int64_t>(1749470400));

    p.dayOfYear = 400;
    f.dispatch(positionReply(p));
    f.dispatch(positionReply(p));
    EXPECT_FALSE(f.link.simulatorUtcSeconds());
    const auto lines = f.log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Invalid simulator Zulu time: year=2025, day-of-year=400, "
                         "seconds=43200"),
              1);
    p.dayOfYear = 1;
    f.dispatch(positionReply(p));
    EXPECT_TRUE(f.link.simulatorUtcSeconds());
}

} // namespace
} // namespace kiv
