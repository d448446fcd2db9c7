
#include <gtest/gtest.h>

#include "platform/private_profile.h"
#include "platform/registry_store.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::platform {
namespace {

TEST(PrivateProfile, LooksUpLikeTheWindowsProfileCalls) {
    const auto profile = PrivateProfile::parse("\xEF\xBB\xBF; comment\r\n"
                                               "[SimConnect]\r\n"
                                               "  Protocol = IPv4 \r\n"
                                               "Address=\"127.0.0.1\"\n"
                                               "empty=\n"
                                               "no equals sign\n"
                                               "[simconnect]\nProtocol=Pipe\n"
                                               "[SimConnect.1]\nPort=500\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"SimConnect", "Protocol", "IPv4"},     {"SIMCONNECT", "protocol", "IPv4"},
        {"SimConnect", "Address", "127.0.0.1"}, {"SimConnect", "empty", ""},
        {"SimConnect", "Port", std::nullopt},   {"SimConnect.1", "Port", "500"},
        {"SimConnect.2", "Port", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(profile.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    }
    EXPECT_TRUE(profile.hasSection("simconnect.1"));
    EXPECT_FALSE(profile.hasSection("SimConnect.2"));
}

TEST(PrivateProfile, MissingFileIsEmpty) {
    test_support::TempFolder temp;
    const auto profile = PrivateProfile::load(temp.path() / "SimConnect.cfg");
    EXPECT_FALSE(profile.exists());
    EXPECT_FALSE(profile.hasSection("SimConnect"));
}

TEST(RegistryStore, ReadsValuesByRootKeyAndName) {
    test_support::TempFolder temp;
    test_support::writeFile(temp.path() / "registry.ini",
                            "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n"
                            "SimConnect_Port_IPv4=500\nLong=12345678901\n");
    const RegistryStore store(temp.path() / "registry.ini");
    const std::string key = "SOFTWARE\\Lockheed Martin\\Prepar3D v5";
    EXPECT_EQ(store.queryString(kCurrentUserRoot, key, "SimConnect_Port_IPv4", 10), "500");
    EXPECT_EQ(store.queryString(kCurrentUserRoot, key, "SimConnect_Port_IPv6", 10), std::nullopt);
    EXPECT_EQ(store.queryString(kCurrentUserRoot, key, "Long", 10), std::nullopt);
    EXPECT_EQ(store.queryString(kCurrentUserRoot, key, "Long", 11), "12345678901");
    EXPECT_EQ(store.queryString("HKEY_LOCAL_MACHINE", key, "SimConnect_Port_IPv4", 10), std::nullopt);
    EXPECT_EQ(RegistryStore(temp.path() / "none.ini").queryString(kCurrentUserRoot, key, "SimConnect_Port_IPv4", 10),
              std::nullopt);
}

} // namespace
} // namespace kiv::platform
