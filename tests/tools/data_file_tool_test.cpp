#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "datafile/data_file_tool.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/text_conversion.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::datafile {
namespace {

using test_support::readFile;
using test_support::writeFile;

std::string xmlOfSize(std::size_t size) {
    std::string text = "<root>";
    while (text.size() < size) {
        text += fmt::format("<item n=\"{}\"/>", text.size());
    }
    text.resize(size);
    return text;
}

int run(std::vector<std::string> arguments, std::string* errors = nullptr) {
    std::ostringstream stream;
    const int code = runDataFileTool(arguments, stream);
    if (errors != nullptr) {
        *errors = stream.str();
    }
    return code;
}

int runProgram(const std::string& arguments) {
    return std::system(fmt::format("\"{}\" {} 2>/dev/null", KIV_DATAFILE_TOOL, arguments).c_str());
}

// Encrypted by the tool, read by the program's reader with its built-in key, and back.
TEST(DataFileTool, RoundTripThroughTheProgramsReader) {
    test_support::TempFolder folder;
    const auto plain = folder.path() / "plain.xml";
    const auto encrypted = folder.path() / "data.enc";
    const auto restored = folder.path() / "restored.xml";
    for (const std::size_t size : std::vector<std::size_t>{0, 1, 4095, 4096, 4097, 1048576}) {
        const std::string text = xmlOfSize(size);
        writeFile(plain, text);
        ASSERT_EQ(run({"encrypt", plain.string(), encrypted.string()}), kExitOk) << size;

        const std::size_t messages = std::max<std::size_t>(1, (size + 4095) / 4096);
        EXPECT_EQ(std::filesystem::file_size(encrypted), 24 + size + 17 * messages) << size;

        const EncryptedFileResult read = gf_readEncryptedFile(encrypted, size);
        ASSERT_TRUE(read.has_value()) << size << ": " << read.error();
        EXPECT_EQ(read->view(), text) << size;

        ASSERT_EQ(run({"decrypt", encrypted.string(), restored.string()}), kExitOk) << size;
        EXPECT_EQ(readFile(restored), text) << size;
    }
}

TEST(DataFileTool, KeyFileReplacesTheBuiltInKey) {
    test_support::TempFolder folder;
    const auto plain = folder.path() / "plain.xml";
    const auto keyFile = folder.path() / "own.key";
    const auto encrypted = folder.path() / "data.enc";
    const auto restored = folder.path() / "restored.xml";
    const std::string text = xmlOfSize(10000);
    writeFile(plain, text);
    std::string key(32, '\0');
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<char>(0xA5 ^ i);
    }
    writeFile(keyFile, key);

    const std::string keyOption = fmt::format("--key \"{}\"", keyFile.string());
    ASSERT_EQ(runProgram(fmt::format("encrypt \"{}\" \"{}\" {}", plain.string(), encrypted.string(), keyOption)), 0);

    const EncryptedFileResult builtIn = gf_readEncryptedFile(encrypted, kTypeDatabaseLimit);
    ASSERT_FALSE(builtIn.has_value());
    EXPECT_EQ(builtIn.error(), "Decryption failed for: " + gf_pathToUtf8(encrypted));

    DataFileKeyView ownKey(reinterpret_cast<const unsigned char*>(key.data()), 32);
    const EncryptedFileResult own = gf_readEncryptedFile(encrypted, kTypeDatabaseLimit, ownKey);
    ASSERT_TRUE(own.has_value()) << own.error();
    EXPECT_EQ(own->view(), text);

    ASSERT_EQ(runProgram(fmt::format("decrypt \"{}\" \"{}\" {}", encrypted.string(), restored.string(), keyOption)), 0);
    EXPECT_EQ(readFile(restored), text);
    EXPECT_NE(runProgram(fmt::format("decrypt \"{}\" \"{}\"", encrypted.string(), restored.string())), 0);
}

TEST(DataFileTool, RefusesBadCommandsKeysAndFiles) {
    test_support::TempFolder folder;
    const auto plain = folder.path() / "plain.xml";
    const auto encrypted = folder.path() / "data.enc";
    const auto shortKey = folder.path() / "short.key";
    const auto longKey = folder.path() / "long.key";
    const auto damaged = folder.path() / "damaged.enc";
    const auto output = folder.path() / "out.xml";
    writeFile(plain, "<root/>");
    writeFile(shortKey, std::string(31, 'k'));
    writeFile(longKey, std::string(33, 'k'));
    ASSERT_EQ(run({"encrypt", plain.string(), encrypted.string()}), kExitOk);
    std::string bytes = readFile(encrypted);
    bytes.back() = static_cast<char>(bytes.back() ^ 1);
    writeFile(damaged, bytes);

    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string error;
    } cases[] = {
        {{}, kExitUsage, "usage: "},
        {{"encrypt", plain.string()}, kExitUsage, "usage: "},
        {{"sign", plain.string(), output.string()}, kExitUsage, "usage: "},
        {{"encrypt", plain.string(), output.string(), "--kee", shortKey.string()}, kExitUsage, "usage: "},
        {{"encrypt", plain.string(), output.string(), "--key", shortKey.string()},
         kExitFailed,
         "Key file must hold exactly 32 bytes: " + shortKey.string()},
        {{"encrypt", plain.string(), output.string(), "--key", longKey.string()},
         kExitFailed,
         "Key file must hold exactly 32 bytes: " + longKey.string()},
        {{"encrypt", (folder.path() / "missing.xml").string(), output.string()},
         kExitFailed,
         "Could not open input file: " + (folder.path() / "missing.xml").string()},
        {{"decrypt", damaged.string(), output.string()}, kExitFailed, "Decryption failed for: " + damaged.string()},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_EQ(run(c.arguments, &errors), c.code) << c.error;
        EXPECT_TRUE(errors.starts_with(c.error)) << errors;
        EXPECT_FALSE(std::filesystem::exists(output)) << "no output after: " << c.error;
    }
}

} // namespace
} // namespace kiv::datafile
