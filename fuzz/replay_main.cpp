// Runs a fuzz target as an ordinary program: every file named on the command line, or every
// file of a folder named there, goes once through LLVMFuzzerTestOneInput. The test suite uses
// it to replay the committed corpus with any compiler, so the targets keep building and their
// reproducers keep passing where no libFuzzer exists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const fs::path& argument) {
    std::vector<fs::path> inputs;
    if (fs::is_directory(argument)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
        std::sort(inputs.begin(), inputs.end()); // a stable order makes a failure repeatable
    } else {
        inputs.push_back(argument);
    }
    return inputs;
}

bool replay(const fs::path& input) {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::cerr << "cannot read " << input.string() << '\n';
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // A heap block of exactly the input's size, as libFuzzer gives it, so that the address
    // sanitizer sees any read past the end.
    const auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    std::cout << "replaying " << input.filename().string() << " (" << bytes.size() << " bytes)" << std::endl;
    LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " <file or folder>...\n";
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : inputsOf(argv[i])) {
            if (!replay(input)) {
                return 1;
            }
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::cerr << "no inputs found\n"; // a corpus that vanished must not pass silently
        return 1;
    }
    return 0;
}
