#include "datafile/data_file_tool.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <sodium.h>

#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/line_files.h"
#include "foundation/text_conversion.h"

namespace kiv::datafile {
namespace {

constexpr std::string_view kUsage =
    "usage: kiv_datafile encrypt <plain file> <encrypted file> [--key <key file>]\n"
    "       kiv_datafile decrypt <encrypted file> <plain file> [--key <key file>]\n"
    "A key file holds exactly 32 raw bytes; without one the program's built-in key is used.";

// The tool decrypts whatever a maintainer hands it; the per-file limits are the program's.
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

struct Command {
    std::string verb;
    std::filesystem::path input;
    std::filesystem::path output;
    std::optional<std::filesystem::path> keyFile;
};

std::optional<Command> parse(std::span<const std::string> arguments) {
    if (arguments.size() != 3 && arguments.size() != 5) {
        return std::nullopt;
    }
    Command command{arguments[0], gf_utf8ToPath(arguments[1]), gf_utf8ToPath(arguments[2]), std::nullopt};
    if (command.verb != "encrypt" && command.verb != "decrypt") {
        return std::nullopt;
    }
    if (arguments.size() == 5) {
        if (arguments[3] != "--key") {
            return std::nullopt;
        }
        command.keyFile = gf_utf8ToPath(arguments[4]);
    }
    return command;
}

// A key read from a key file, wiped when the tool is done with it.
class FileKey {
public:
    explicit FileKey(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        if (!file.is_open()) {
            throw std::runtime_error(fmt::format("Could not open key file: {}", gf_pathToUtf8(path)));
        }
        // One byte more than a key, so that a longer file is noticed.
        std::array<char, kDataFileKeyBytes + 1> raw{};
        file.read(raw.data(), static_cast<std::streamsize>(raw.size()));
        const auto bytesRead = static_cast<std::size_t>(file.gcount());
        std::copy_n(raw.begin(), kDataFileKeyBytes, reinterpret_cast<char*>(key_.data()));
        sodium_memzero(raw.data(), raw.size());
        if (bytesRead != kDataFileKeyBytes) {
            throw std::runtime_error(
                fmt::format("Key file must hold exactly {} bytes: {}", kDataFileKeyBytes, gf_pathToUtf8(path)));
        }
    }
    ~FileKey() { sodium_memzero(key_.data(), key_.size()); }
    FileKey(const FileKey&) = delete;
    FileKey& operator=(const FileKey&) = delete;
    DataFileKeyView bytes() const { return key_; }

private:
    std::array<unsigned char, kDataFileKeyBytes> key_{};
};

std::string readWholeFile(const std::filesystem::path& path) {
    std::optional<std::string> content = gf_readWholeFile(path);
    if (!content) {
        throw std::runtime_error(fmt::format("Could not open input file: {}", gf_pathToUtf8(path)));
    }
    return std::move(*content);
}

void writeWholeFile(const std::filesystem::path& path, std::string_view content) {
    if (!gf_writeTextFile(content, path, false)) {
        throw std::runtime_error(fmt::format("Could not write output file: {}", gf_pathToUtf8(path)));
    }
}

void encrypt(const Command& command) {
    const std::string plaintext = readWholeFile(command.input);
    if (command.keyFile) {
        const FileKey key(*command.keyFile);
        writeWholeFile(command.output, encryptDataFile(plaintext, key.bytes()));
    } else {
        const DataFileKey key;
        writeWholeFile(command.output, encryptDataFile(plaintext, key.bytes()));
    }
}

// Through the program's own reader, with the program's own key handling when no key file
// is given, so that a file this accepts is a file the program accepts.
void decrypt(const Command& command) {
    std::optional<EncryptedFileResult> result;
    if (command.keyFile) {
        const FileKey key(*command.keyFile);
        result.emplace(gf_readEncryptedFile(command.input, kNoLimit, key.bytes()));
    } else {
        result.emplace(gf_readEncryptedFile(command.input, kNoLimit));
    }
    if (!result->has_value()) {
        throw std::runtime_error(result->error());
    }
    writeWholeFile(command.output, (*result)->view());
}

} // namespace

int runDataFileTool(std::span<const std::string> arguments, std::ostream& errors) {
    const std::optional<Command> command = parse(arguments);
    if (!command) {
        errors << kUsage << '\n';
        return kExitUsage;
    }
    try {
        if (command->verb == "encrypt") {
            encrypt(*command);
        } else {
            decrypt(*command);
        }
        return kExitOk;
    } catch (const std::exception& error) {
        errors << error.what() << '\n';
        return kExitFailed;
    }
}

} // namespace kiv::datafile
