#include <gtest/gtest.h>

#include "platform/named_pipe_path.h"

namespace kiv::platform {
namespace {

TEST(NamedPipePath, DerivesALocalSocketPathFromThePipeName) {
    struct Case {
        const char* pipe;
        std::optional<std::string> file;
    };
    const Case cases[] = {
        {"\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", "Lockheed_Martin_Prepar3D_v5_SimConnect"},
        {"\\\\.\\PIPE\\My.Pipe-1_x", "My.Pipe-1_x"},
        {"\\\\.\\pipe\\a/b:c", "a_b_c"},
        {"\\\\simhost\\pipe\\SimConnect", std::nullopt},
        {"\\\\.\\pipe\\", std::nullopt},
        {"\\\\.\\mailslot\\x", std::nullopt},
        {"SimConnect", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto path = localPipePath(c.pipe, "/run/user/1000");
        ASSERT_EQ(path.has_value(), c.file.has_value()) << c.pipe;
        if (path) {
            EXPECT_EQ(*path, std::filesystem::path("/run/user/1000") / *c.file) << c.pipe;
        }
    }
}

} // namespace
} // namespace kiv::platform
