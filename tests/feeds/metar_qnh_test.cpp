#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "feeds/metar_qnh.h"

namespace kiv {
namespace {

using nlohmann::json;

struct MetarCase {
    const char* metar;
    std::optional<std::int32_t> qnh;
    QnhErrorKind kind;
    const char* message;
};

TEST(QnhFromMetar, PressureGroupTable) {
    const MetarCase cases[] = {
        {"EDDF 101250Z 24010KT 9999 FEW030 12/05 Q1013 NOSIG", 1013, {}, ""},
        {"EDDF 101250Z 24010KT CAVOK 12/05 Q1013=", 1013, {}, ""},
        {"KJFK 101251Z 31012KT 10SM CLR 08/M06 A2992 RMK", 1013, {}, ""},
        {"KJFK 101251Z 31012KT 10SM CLR A3000", 1016, {}, ""},
        {"XXXX Q0900", 900, {}, ""},
        {"XXXX Q1100", 1100, {}, ""},
        {"XXXX\tQ0999\n", 999, {}, ""},
        {"XXXX Q0899", std::nullopt, QnhErrorKind::outside_limits, "QNH outside limits: 899 (Q0899)"},
        {"XXXX Q1101", std::nullopt, QnhErrorKind::outside_limits, "QNH outside limits: 1101 (Q1101)"},
        {"XXXX Q-999", std::nullopt, QnhErrorKind::outside_limits, "QNH outside limits: -999 (Q-999)"},
        {"XXXX Q10A3", std::nullopt, QnhErrorKind::invalid_group, "invalid QNH code: Q10A3"},
        {"XXXX Q----", std::nullopt, QnhErrorKind::invalid_group, "invalid QNH code: Q----"},
        // Only the first candidate is judged: a five-letter word beginning with A spoils it.
        {"XXXX ABCDE Q1013", std::nullopt, QnhErrorKind::invalid_group, "invalid QNH code: ABCDE"},
        {"XXXX 101250Z Q101 Q10133", std::nullopt, QnhErrorKind::no_pressure_group, "no QNH code found in METAR"},
        {"", std::nullopt, QnhErrorKind::no_pressure_group, "no QNH code found in METAR"},
    };
    for (const MetarCase& c : cases) {
        SCOPED_TRACE(c.metar);
        const QnhResult result = lf_qnhFromMetar(c.metar);
        ASSERT_EQ(result.has_value(), c.qnh.has_value());
        if (c.qnh) {
            EXPECT_EQ(*result, *c.qnh);
        } else {
            EXPECT_EQ(result.error().kind, c.kind);
            EXPECT_EQ(result.error().message, c.message);
        }
    }
}

TEST(MetarFromWeatherJson, WeatherObjectTable) {
    struct Case {
        json value;
        std::optional<std::int32_t> qnh;
        const char* message;
    };
    const Case cases[] = {
        {json{{"METAR", "LSZH 101250Z Q1021"}, {"ICAO", "LSZH"}}, 1021, ""},
        {json::array({1, 2}), std::nullopt, "invalid weather data object"},
        {json{{"ICAO", "LSZH"}}, std::nullopt, "no METAR found in data"},
        {json{{"METAR", nullptr}}, std::nullopt, "no METAR found in data"},
        {json{{"METAR", 1013}}, std::nullopt, "invalid METAR type"},
        {json{{"METAR", "LSZH 101250Z"}}, std::nullopt, "no QNH code found in METAR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.dump());
        const QnhResult result = lf_metarFromWeatherJson(c.value);
        ASSERT_EQ(result.has_value(), c.qnh.has_value());
        if (c.qnh) {
            EXPECT_EQ(*result, *c.qnh);
        } else {
            EXPECT_EQ(result.error().message, c.message);
        }
    }
    EXPECT_EQ(lf_metarFromWeatherJson(json::object()).error().kind, QnhErrorKind::bad_weather_object);
}

TEST(ParseMetarReply, CollectsTheStringMetarsOfObjectsInOrder) {
    const json array = json::parse(R"([{"METAR": "A Q1000"}, {"METAR": 5}, "text", {"ICAO": "X"}, {"METAR": "B"}])");
    const MetarList fromArray = lf_parseMetarReply(array);
    ASSERT_TRUE(fromArray);
    EXPECT_EQ(*fromArray, (std::vector<std::string>{"A Q1000", "B"}));

    const json object = json::parse(R"({"EDDF": {"METAR": "F"}, "EDDM": {"METAR": "M"}})");
    ASSERT_TRUE(lf_parseMetarReply(object));
    EXPECT_EQ(lf_parseMetarReply(object)->size(), 2u);

    EXPECT_EQ(lf_parseMetarReply(json("text")).error().message, "response contains invalid METAR data");
    EXPECT_EQ(lf_parseMetarReply(json::array({json{{"METAR", nullptr}}})).error().message,
              "response contains no METAR station with a valid METAR string");
    EXPECT_EQ(lf_parseMetarReply(json::array()).error().context, "nearest metar");
}

} // namespace
} // namespace kiv
