#include <map>
#include <string>

#include <gtest/gtest.h>

#include "simlink/simconnect/connection_settings.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::simconnect {
namespace {

using test_support::writeFile;

const std::string kRegistryWithPorts = "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n"
                                       "SimConnect_Port_IPv6=5006\nSimConnect_Port_IPv4=5004\n";

struct Case {
    const char* name;
    std::map<int, std::string> files; // folder index (0 public, 1 documents, 2 current) -> cfg text
    std::int32_t index;
    bool found;
    ConnectionSettings expected;
    std::string registry = kRegistryWithPorts;
};

TEST(ConnectionSettings, MergesTheConfigFilesInOrder) {
    const Case cases[] = {
        {"no file anywhere", {}, 0, true, {}},
        {"Auto is the pipe", {{0, "[SimConnect]\nProtocol=Auto\n"}}, 0, true, {}},
        {"Pipe", {{1, "[SimConnect]\nProtocol=Pipe\n"}}, 0, true, {}},
        {"IPv4 takes the registry port", {{0, "[SimConnect]\nProtocol=IPv4\n"}}, 0, true, {2, "", "5004", 41088, 0}},
        {"IPv6 takes the registry port", {{0, "[simconnect]\nprotocol=ipv6\n"}}, 0, true, {23, "", "5006", 41088, 0}},
        {"IPv4 replaces a port set before",
         {{0, "[SimConnect]\nPort=7777\n"}, {1, "[SimConnect]\nProtocol=IPv4\n"}},
         0,
         true,
         {2, "", "5004", 41088, 0}},
        {"a Port in the same section wins over the registry",
         {{0, "[SimConnect]\nProtocol=IPv4\nPort=6000\nAddress=192.168.1.2\n"}},
         0,
         true,
         {2, "192.168.1.2", "6000", 41088, 0}},
        {"IPv4 without registry value leaves no port",
         {{0, "[SimConnect]\nProtocol=IPv4\n"}},
         0,
         true,
         {2, "", "", 41088, 0},
         ""},
        {"a registry port too long for its buffer is missing",
         {{0, "[SimConnect]\nProtocol=IPv4\n"}},
         0,
         true,
         {2, "", "", 41088, 0},
         "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\nSimConnect_Port_IPv4=12345678901\n"},
        {"unknown protocol", {{2, "[SimConnect]\nProtocol=Carrier pigeon\n"}}, 0, true, {0, "", "", 41088, 0}},
        {"later files override, empty values do not clear",
         {{0, "[SimConnect]\nAddress=first\nPort=1\n"}, {2, "[SimConnect]\nAddress=last\nPort=\n"}},
         0,
         true,
         {1, "last", "1", 41088, 0}},
        {"MaxReceiveSize 100 does not lower 41088", {{0, "[SimConnect]\nMaxReceiveSize=100\n"}}, 0, true, {}},
        {"MaxReceiveSize only ever grows",
         {{0, "[SimConnect]\nMaxReceiveSize=200000\n"}, {1, "[SimConnect]\nMaxReceiveSize=50000\n"}},
         0,
         true,
         {1, "", "", 200000, 0}},
        {"DisableNagle", {{0, "[SimConnect]\nDisableNagle=1\n"}}, 0, true, {1, "", "", 41088, 1}},
        {"index 0 reads only its own section", {{0, "[SimConnect.1]\nAddress=other\n"}}, 0, true, {}},
        {"a missing section for index 3", {{0, "[SimConnect]\nAddress=x\n"}}, 3, false, {}},
        {"index 3 found in a later file",
         {{0, "[SimConnect]\n"}, {2, "[SimConnect.3]\nAddress=three\n"}},
         3,
         true,
         {1, "three", "", 41088, 0}},
        {"index -1 needs no section", {}, -1, true, {}},
    };
    for (const auto& c : cases) {
        test_support::TempFolder temp;
        const std::vector<std::filesystem::path> folders = {temp.path() / "public", temp.path() / "documents",
                                                            temp.path() / "current"};
        for (const auto& [folder, text] : c.files) {
            writeFile(folders[static_cast<std::size_t>(folder)] / "SimConnect.cfg", text);
        }
        writeFile(temp.path() / "registry.ini", c.registry);
        const auto settings =
            readConnectionSettings(c.index, folders, platform::RegistryStore(temp.path() / "registry.ini"));
        ASSERT_EQ(settings.has_value(), c.found) << c.name;
        if (!settings) {
            continue;
        }
        EXPECT_EQ(settings->protocol, c.expected.protocol) << c.name;
        EXPECT_EQ(settings->address, c.expected.address) << c.name;
        EXPECT_EQ(settings->port, c.expected.port) << c.name;
        EXPECT_EQ(settings->maxReceiveSize, c.expected.maxReceiveSize) << c.name;
        EXPECT_EQ(settings->disableNagle, c.expected.disableNagle) << c.name;
    }
}

TEST(ConnectionSettings, SectionNames) {
    EXPECT_EQ(configSectionName(0), "SimConnect");
    EXPECT_EQ(configSectionName(2), "SimConnect.2");
    EXPECT_EQ(configSectionName(-1), "SimConnect.4294967295");
}

} // namespace
} // namespace kiv::simconnect
