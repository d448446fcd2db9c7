#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/gui_layout.h"
#include "app/main_window_paint.h"
#include "app/recording_canvas.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using platform::PixelRect;
using test_support::RecordingCanvas;

struct Painted {
    RecordingCanvas canvas;
    PixelRect hotSpot;
};

struct Scene {
    GuiStatus status;
    SettingsSnapshot settings;
    PaintFacts facts;

    Painted paint(std::uint32_t dpi = 96) const {
        Painted out;
        out.hotSpot = lf_paint(out.canvas, {status, settings, facts}, dpi);
        return out;
    }
};

// Texts are drawn 3 units above the position they are placed at.
std::optional<test_support::DrawnText> placed(const RecordingCanvas& canvas, std::int32_t x, std::int32_t y) {
    return canvas.at(x, y - 3);
}

TEST(MainWindowPaint, HeaderShowsVersionNameAndTheCollapseBoxWithItsHotSpot) {
    Scene scene;
    scene.facts.programVersion = "16.8.4";
    const Painted expanded = scene.paint();
    ASSERT_TRUE(placed(expanded.canvas, 3, 7));
    EXPECT_EQ(placed(expanded.canvas, 3, 7)->text, "Version 16.8.4");
    EXPECT_EQ(placed(expanded.canvas, 3, 7)->colour, kGreenText);
    EXPECT_EQ(placed(expanded.canvas, 415, 7)->text, "VELT_P3D");
    EXPECT_EQ(placed(expanded.canvas, 773, 6)->text, "Compact");
    EXPECT_EQ(expanded.hotSpot, (PixelRect{765, 4, 855, 30}));

    scene.status.collapsed = true;
    const Painted collapsed = scene.paint(144);
    EXPECT_EQ(placed(collapsed.canvas, 773, 6)->text, "Expand");
    EXPECT_EQ(collapsed.hotSpot, (PixelRect{1148, 6, 1283, 45}));
}

TEST(MainWindowPaint, BandFillsFollowTheLayoutState) {
    Scene scene;
    const Painted expanded = scene.paint();
    EXPECT_EQ(expanded.canvas.fillOf({0, 0, 900, 96}), kBlack);
    EXPECT_EQ(expanded.canvas.fillOf({0, 96, 900, 640}), kSettingsBackground);
    EXPECT_EQ(expanded.canvas.fillOf({0, 640, 900, 736}), kBlack);
    EXPECT_EQ(expanded.canvas.fillOf({0, 736, 900, 768}), kMessageBandGreen);
    EXPECT_TRUE(expanded.canvas.hasLine({0, 97, 900, 97}, kWhite));
    EXPECT_TRUE(expanded.canvas.hasLine({647, 96, 647, 504}, kBlack));

    scene.status.collapsed = true;
    const Painted bare = scene.paint();
    EXPECT_FALSE(bare.canvas.fillOf({0, 96, 900, 640}));
    EXPECT_FALSE(bare.canvas.fillOf({0, 96, 900, 192}));
    EXPECT_EQ(bare.canvas.fillOf({0, 96, 900, 128}), kMessageBandGreen);
    EXPECT_FALSE(bare.canvas.hasLine({0, 97, 900, 97}, kWhite));
    EXPECT_TRUE(bare.canvas.hasLine({0, 96, 900, 96}, kWhite));
    EXPECT_FALSE(bare.canvas.find("DATA SOURCES"));

    scene.status.parkAirport = IcaoCode("EHAM");
    const Painted withPark = scene.paint();
    EXPECT_EQ(withPark.canvas.fillOf({0, 96, 900, 192}), kBlack);
    EXPECT_EQ(withPark.canvas.fillOf({0, 192, 900, 224}), kMessageBandGreen);
    ASSERT_TRUE(placed(withPark.canvas, 5, 103));
    EXPECT_EQ(placed(withPark.canvas, 5, 103)->text, "airport: EHAM");
}

TEST(MainWindowPaint, AtOneHundredFortyFourDpiTheExpandedClientIs1350By1152) {
    EXPECT_EQ(gf_scaleToDpi(kLayoutWidth, 144), 1350);
    EXPECT_EQ(gf_scaleToDpi(gf_clientHeight(false, false), 144), 1152);
    const PixelRect status = gf_bandRect(kRepaintStatus, false, false);
    EXPECT_EQ(gf_scaleToDpi(status.top, 144), 48);
    EXPECT_EQ(gf_scaleToDpi(status.bottom, 144), 144);
}

TEST(MainWindowPaint, MessageBandShowsTheErrorInRedOverAnyMessage) {
    Scene scene;
    scene.status.messageLine = "later message";
    const Painted message = scene.paint();
    EXPECT_EQ(placed(message.canvas, 3, 743)->text, "later message");
    EXPECT_EQ(placed(message.canvas, 3, 743)->colour, kWhite);

    scene.status.errorLine = "broken";
    const Painted error = scene.paint();
    EXPECT_EQ(error.canvas.fillOf({0, 736, 900, 768}), kRed);
    EXPECT_EQ(placed(error.canvas, 3, 743)->text, "broken");
    EXPECT_FALSE(error.canvas.find("later message"));
}

TEST(MainWindowPaint, SimulatorBoxColourFollowsLinkStateAndSimulatorFlag) {
    struct Row {
        std::uint8_t link;
        std::uint8_t simulatorFlag;
        Colour box;
        Colour text;
    };
    for (const Row& row : std::vector<Row>{{0, 1, kRed, kRed},
                                           {1, 0, kYellow, kYellow},
                                           {2, 0, kYellow, kYellow},
                                           {1, 1, kMessageBandGreen, kGreenText},
                                           {2, 1, kMessageBandGreen, kGreenText},
                                           {3, 1, kRed, kRed}}) {
        SCOPED_TRACE(testing::Message() << "link " << int(row.link) << " flag " << int(row.simulatorFlag));
        Scene scene;
        scene.facts.simLinkState = row.link;
        scene.status.simulatorState = row.simulatorFlag;
        scene.status.simulatorText = "Prepar3D";
        scene.status.userStand = "G12";
        const Painted painted = scene.paint();
        EXPECT_EQ(painted.canvas.fillOf({403, 34, 436, 96}), row.box);
        const auto simulator = painted.canvas.find("Prepar3D, user stand G12");
        const bool up = row.link == 1 || row.link == 2;
        ASSERT_EQ(simulator.has_value(), up);
        if (up) {
            EXPECT_EQ(simulator->colour, row.text);
            EXPECT_EQ(placed(painted.canvas, 222, 39)->text, "user stand: G12");
        }
    }
}

TEST(MainWindowPaint, TrafficSourceBoxAndReaderTexts) {
    struct Row {
        bool started;
        bool connected;
        std::uint32_t traffic;
        std::uint32_t weather;
        Colour box;
        std::optional<Colour> qnhLabel;
        std::optional<Colour> liveLabel;
    };
    const std::vector<Row> rows = {
        {false, false, 0, 0, kBlack, std::nullopt, std::nullopt},
        {true, false, 0, 0, kRed, std::nullopt, std::nullopt},
        {true, true, 0, 0, kMessageBandGreen, kGreenText, kGreenText},
        {true, true, 1, 1, kYellow, kYellow, kYellow},
        {true, true, 2, 2, kYellow, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.started << row.connected << row.traffic << row.weather);
        Scene scene;
        scene.status.trafficSourceNotStarted = !row.started;
        scene.facts.sourceConnected = row.connected;
        scene.status.trafficReaderStatus = row.traffic;
        scene.status.weatherReaderStatus = row.weather;
        scene.status.trafficSourceText = "RT App";
        const Painted painted = scene.paint();
        EXPECT_EQ(painted.canvas.fillOf({435, 34, 468, 96}), row.box);
        EXPECT_EQ(painted.canvas.find("RT App").has_value(), row.connected);
        const auto qnh = painted.canvas.find("qnh:");
        EXPECT_EQ(qnh ? std::optional(qnh->colour) : std::nullopt, row.qnhLabel);
        const auto live = painted.canvas.find("# live aircraft:");
        EXPECT_EQ(live ? std::optional(live->colour) : std::nullopt, row.liveLabel);
    }
}

TEST(MainWindowPaint, QnhAndLiveCountWhileConnected) {
    Scene scene;
    scene.facts.sourceConnected = true;
    scene.status.weatherReaderStatus = 0;
    scene.status.trafficReaderStatus = 0;
    scene.status.qnhHectopascal = 1013;
    scene.status.liveCount = 7;
    EXPECT_EQ(placed(scene.paint().canvas, 548, 71)->text, "1013 hPa");
    EXPECT_EQ(placed(scene.paint().canvas, 785, 71)->text, "  7");
    scene.status.qnhInInchesHg = true;
    EXPECT_EQ(placed(scene.paint().canvas, 548, 71)->text, "29.91 inHg");
    scene.status.qnhHectopascal = 0;
    EXPECT_FALSE(placed(scene.paint().canvas, 548, 71));
    scene.status.qnhHectopascal = 1013;
    scene.facts.sourceConnected = false;
    EXPECT_FALSE(placed(scene.paint().canvas, 548, 71));
    EXPECT_FALSE(placed(scene.paint().canvas, 785, 71));
}

TEST(MainWindowPaint, ScanCountsShowDotsInYellowWhileZero) {
    Scene scene;
    const Painted zero = scene.paint();
    EXPECT_EQ(zero.canvas.find("# liveries: ...")->colour, kYellow);
    EXPECT_EQ(zero.canvas.find("# simaddon: ...")->colour, kYellow);
    EXPECT_EQ(zero.canvas.find("# thirdp: ...")->colour, kYellow);
    scene.status.liveryCount = 1234;
    scene.status.simaddonCount = 3;
    scene.status.thirdPartyCount = 1;
    const Painted counted = scene.paint();
    EXPECT_EQ(placed(counted.canvas, 276, 71)->text, "# livs: 1234");
    EXPECT_EQ(placed(counted.canvas, 276, 71)->colour, kGreenText);
    EXPECT_EQ(placed(counted.canvas, 5, 71)->text, "# simaddon: 3");
    EXPECT_EQ(placed(counted.canvas, 167, 71)->text, "# thirdp: 1");
}

TEST(MainWindowPaint, SettingsLabelColourRules) {
    struct Row {
        const char* name;
        void (*change)(Scene&);
        const char* label;
        Colour colour;
    };
    const std::vector<Row> rows = {
        {"default Random", [](Scene&) {}, "Random", kBlack},
        {"RANDOM off", [](Scene& s) { s.settings.random = false; }, "Random", kYellow},
        {"GUID off", [](Scene& s) { s.settings.guidChanges = false; }, "GUID changes", kYellow},
        {"Aerowinx with RT Direct", [](Scene& s) { s.facts.aerowinx = true; }, "Aerowinx", kGrey},
        {"Aerowinx on, RT App",
         [](Scene& s) {
             s.facts.rtDirect = false;
             s.facts.aerowinx = true;
         },
         "Aerowinx", kYellow},
        {"Aerowinx off, RT App", [](Scene& s) { s.facts.rtDirect = false; }, "Aerowinx", kBlack},
        {"both max 0, live",
         [](Scene& s) {
             s.settings.maxLiveSel = 0;
             s.settings.maxParkSel = 0;
         },
         "max live", kRed},
        {"both max 0, park",
         [](Scene& s) {
             s.settings.maxLiveSel = 0;
             s.settings.maxParkSel = 0;
         },
         "max park", kRed},
        {"live max 0", [](Scene& s) { s.settings.maxLiveSel = 0; }, "max live", kYellow},
        {"live max 0, park label", [](Scene& s) { s.settings.maxLiveSel = 0; }, "max park", kBlack},
        {"park max 0", [](Scene& s) { s.settings.maxParkSel = 0; }, "max park", kYellow},
        {"time shift locked", [](Scene& s) { s.status.timeShiftEditable = false; }, "Sim Time", kGrey},
        {"time shift locked keep", [](Scene& s) { s.status.timeShiftEditable = false; }, "Keep", kGrey},
        {"time shift locked day",
         [](Scene& s) {
             s.status.timeShiftEditable = false;
             s.settings.timeShiftDays = 2;
         },
         "day", kGrey},
        {"days above 0", [](Scene& s) { s.settings.timeShiftDays = 2; }, "day", kYellow},
        {"minutes above 0", [](Scene& s) { s.settings.timeShiftMins = 5; }, "min", kYellow},
        {"hours 0", [](Scene&) {}, "hour", kBlack},
        {"max fit, auto park on", [](Scene&) {}, "max fit hrs", kGrey},
        {"max fit, parked only",
         [](Scene& s) { s.settings.rtParkTrafficOnly = true; },
         "max fit hrs", kBlack},
        {"max fit, auto park off", [](Scene& s) { s.settings.autoPark = false; }, "max fit hrs", kBlack},
        {"target, parked only", [](Scene& s) { s.settings.rtParkTrafficOnly = true; }, "target % ", kGrey},
        {"auto park, parked only", [](Scene& s) { s.settings.rtParkTrafficOnly = true; }, "auto park", kGrey},
        {"target default", [](Scene&) {}, "target % ", kBlack},
        {"week, auto park on", [](Scene&) {}, "week", kGrey},
        {"soft, both off", [](Scene& s) { s.settings.autoPark = false; }, "soft", kBlack},
        {"soft, parked only",
         [](Scene& s) {
             s.settings.autoPark = false;
             s.settings.rtParkTrafficOnly = true;
         },
         "soft", kGrey},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene;
        row.change(scene);
        const Painted painted = scene.paint();
        const auto label = painted.canvas.find(row.label);
        ASSERT_TRUE(label);
        EXPECT_EQ(label->colour, row.colour);
    }
}

TEST(MainWindowPaint, LabelsSitAtTheirControlsLabelPositions) {
    Scene scene;
    const Painted painted = scene.paint();
    EXPECT_EQ(placed(painted.canvas, 677, 239)->text, "Random");
    EXPECT_EQ(placed(painted.canvas, 5, 135)->text, "airports:");
    EXPECT_EQ(placed(painted.canvas, 133, 135)->text, "skip scan");
    EXPECT_EQ(placed(painted.canvas, 5, 439)->text, "depth:");
    EXPECT_EQ(placed(painted.canvas, 80, 543)->text, "destination");
    EXPECT_TRUE(placed(painted.canvas, 732, 479)->bold);
    EXPECT_EQ(placed(painted.canvas, 732, 479)->text, "update interval (min)");
    EXPECT_TRUE(placed(painted.canvas, 657, 343)->bold);
    scene.status.timeShiftEditable = false;
    const Painted locked = scene.paint();
    EXPECT_FALSE(placed(locked.canvas, 657, 343)->bold);
    EXPECT_EQ(placed(locked.canvas, 657, 343)->colour, kGrey);
}

TEST(MainWindowPaint, ParkingBandRows) {
    Scene scene;
    scene.facts.simLinkState = 1;
    EXPECT_EQ(placed(scene.paint().canvas, 5, 647)->text, "No airport within reach");
    scene.facts.simLinkState = 0;
    EXPECT_FALSE(placed(scene.paint().canvas, 5, 647));

    scene.status.parkAirport = IcaoCode("EDDF");
    scene.status.parkAirportHasFile = true;
    scene.status.parkAirportText = "Frankfurt";
    scene.status.publisher = "Aerosoft";
    scene.status.publisherHandmade = true;
    scene.facts.airportFileWeek = "12";
    scene.status.userWingspanKnown = false;
    scene.facts.parkingActive = true;
    scene.status.parkingCountdownMinutes = 14;
    scene.status.qualityText = "good";
    scene.facts.reservedUserStand = "V155";
    scene.status.parkingUpdates = 3;
    scene.status.standCount = 250;
    scene.status.parkedLiveCount = 4;
    scene.status.liveFit = 1.5F;
    scene.status.maxParkCount = 80;
    scene.status.maxParkPercent = 30;
    scene.status.parkedStaticCount = 60;
    scene.status.staticExtra = 2;
    scene.status.staticFit = 2.5F;
    const Painted full = scene.paint();
    const auto row1 = placed(full.canvas, 5, 647);
    EXPECT_EQ(row1->text, "airport: EDDF");
    EXPECT_EQ(row1->colour, kGreenText);
    EXPECT_EQ(placed(full.canvas, 167, 647)->text, " Frankfurt   publisher: Aerosoft (h),  week: 12");
    EXPECT_EQ(placed(full.canvas, 657, 647)->colour, kYellow);
    EXPECT_EQ(placed(full.canvas, 5, 679)->text, "next update (min):");
    EXPECT_EQ(placed(full.canvas, 167, 679)->text, "14");
    EXPECT_EQ(placed(full.canvas, 440, 679)->text, "qf: good");
    EXPECT_EQ(placed(full.canvas, 548, 679)->text, "reserved stand: V155");
    EXPECT_EQ(placed(full.canvas, 765, 679)->text, "# updates:    3");
    EXPECT_EQ(placed(full.canvas, 5, 711)->text, "# stands: 250");
    EXPECT_EQ(placed(full.canvas, 167, 711)->text, "park live:   4");
    EXPECT_EQ(placed(full.canvas, 276, 711)->text, "live fit: 1.5");
    EXPECT_EQ(placed(full.canvas, 440, 711)->text, "static:  60");
    EXPECT_EQ(placed(full.canvas, 505, 711)->colour, kYellow);
    EXPECT_EQ(placed(full.canvas, 548, 711)->text, "static fit: 2.5");
    EXPECT_EQ(placed(full.canvas, 657, 711)->text, "max park:  80 (=30 %)");

    scene.facts.parkingGenerating = true;
    scene.status.staticFitHidden = true;
    scene.status.parkAirportHasFile = false;
    const Painted generating = scene.paint();
    EXPECT_EQ(placed(generating.canvas, 5, 679)->text, "generating parking ...");
    EXPECT_EQ(placed(generating.canvas, 5, 647)->colour, kYellow);
    EXPECT_FALSE(placed(generating.canvas, 167, 647));
    EXPECT_FALSE(placed(generating.canvas, 548, 711));

    scene.facts.parkingGenerating = false;
    scene.status.parkingCountdownMinutes = 1441;
    scene.status.maxParkCount = 0;
    const Painted noMax = scene.paint();
    EXPECT_FALSE(placed(noMax.canvas, 5, 679));
    EXPECT_FALSE(placed(noMax.canvas, 440, 711));
    EXPECT_FALSE(placed(noMax.canvas, 657, 711));

    scene.status.collapsed = true;
    EXPECT_EQ(placed(scene.paint().canvas, 5, 103)->text, "airport: EDDF");
}

TEST(MainWindowPaint, InvalidUtf8IsLoggedAndSkippedAndPaintingGoesOn) {
    test_support::LogCapture log;
    Scene scene;
    scene.status.messageLine = "bad \xff text";
    scene.facts.programVersion = "1.0.0";
    const Painted painted = scene.paint();
    EXPECT_FALSE(placed(painted.canvas, 3, 743));
    EXPECT_TRUE(painted.canvas.find("Version 1.0.0"));
    EXPECT_TRUE(painted.canvas.find("PARKING"));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_NE(lines[0].find("TextOut utf8 to wide failed for 'bad "), std::string::npos);
}

} // namespace
} // namespace kiv
