// Decrypting a 16 MiB data file through gf_readEncryptedFile, against libsodium's bare
// secretstream pull over the same bytes already in memory. The counter "vs_raw_pull" is the
// reader's throughput as a share of the bare pull's (1.0 = no cost beyond the cipher);
// "vs_raw_pull_and_guarded_memory" adds to the bare pull what sodium_malloc and sodium_free
// of the plaintext's size cost by themselves, leaving the reader's own overhead.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sodium.h>

#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/encrypted_data_file.h"

namespace {

constexpr std::size_t kPlainBytes = 16 * 1024 * 1024;

struct Fixture {
    std::string plaintext;
    std::string encrypted;
    std::filesystem::path path;

    Fixture() : plaintext(kPlainBytes, '\0') {
        for (std::size_t i = 0; i < plaintext.size(); ++i) {
            plaintext[i] = static_cast<char>('A' + (i * 7 + i / 977) % 26);
        }
        const kiv::DataFileKey key;
        encrypted = kiv::datafile::encryptDataFile(plaintext, key.bytes());
        path = std::filesystem::temp_directory_path() /
               ("kiv-encrypted-file-bench-" + std::to_string(std::random_device{}()) + ".enc");
        std::ofstream(path, std::ios::binary).write(encrypted.data(), static_cast<std::streamsize>(encrypted.size()));
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// The bare cipher: header, then every 4113-byte chunk pulled into one reused buffer.
bool rawPull(const std::string& encrypted, std::vector<unsigned char>& out) {
    const kiv::DataFileKey key;
    crypto_secretstream_xchacha20poly1305_state state;
    const auto* in = reinterpret_cast<const unsigned char*>(encrypted.data());
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, in, key.bytes().data()) != 0) {
        return false;
    }
    std::size_t offset = kiv::kEncryptedHeaderBytes;
    std::size_t written = 0;
    unsigned char tag = 0;
    while (offset < encrypted.size()) {
        const std::size_t chunk = std::min<std::size_t>(kiv::kEncryptedChunkBytes, encrypted.size() - offset);
        unsigned long long plain = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, out.data() + written, &plain, &tag, in + offset, chunk,
                                                       nullptr, 0) != 0) {
            return false;
        }
        offset += chunk;
        written += plain;
    }
    return written == kPlainBytes && tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
}

double secondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_RawPullInMemory(benchmark::State& state) {
    const Fixture& data = fixture();
    std::vector<unsigned char> out(kPlainBytes);
    for (auto _ : state) {
        if (!rawPull(data.encrypted, out)) {
            state.SkipWithError("raw pull failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPlainBytes));
}

void BM_ReadEncryptedFile(benchmark::State& state) {
    const Fixture& data = fixture();
    {
        const auto check = kiv::gf_readEncryptedFile(data.path, kiv::kTypeDatabaseLimit);
        if (!check.has_value() || check->view() != data.plaintext) {
            state.SkipWithError("the reader did not give back the plaintext");
            return;
        }
    }
    // Fastest of several passes on each side, so that one slow pass does not decide.
    std::vector<unsigned char> out(kPlainBytes);
    double rawSeconds = 1e9;
    for (int pass = 0; pass < 5; ++pass) {
        rawSeconds = std::min(rawSeconds, secondsOf([&] { benchmark::DoNotOptimize(rawPull(data.encrypted, out)); }));
    }
    double guardedSeconds = 1e9;
    for (int pass = 0; pass < 5; ++pass) {
        guardedSeconds = std::min(guardedSeconds, secondsOf([&] {
                                      void* memory = sodium_malloc(kPlainBytes);
                                      benchmark::DoNotOptimize(memory);
                                      sodium_free(memory);
                                  }));
    }
    double fileSeconds = 1e9;
    for (auto _ : state) {
        fileSeconds = std::min(fileSeconds, secondsOf([&] {
                                   auto result = kiv::gf_readEncryptedFile(data.path, kiv::kTypeDatabaseLimit);
                                   benchmark::DoNotOptimize(result);
                               }));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPlainBytes));
    state.counters["vs_raw_pull"] = rawSeconds / fileSeconds;
    state.counters["vs_raw_pull_and_guarded_memory"] = (rawSeconds + guardedSeconds) / fileSeconds;
}

BENCHMARK(BM_RawPullInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEncryptedFile)->Unit(benchmark::kMillisecond);

} // namespace
