// A thin wrapper over libzip: read the entries of an existing archive in chunks, or write a
// new archive from buffers. One object per archive, used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kiv {

struct ZipEntry {
    std::string name; // as stored; folders end with '/'
    std::uint64_t index = 0;
    std::uint64_t size = 0; // uncompressed bytes
    bool isDirectory() const noexcept { return !name.empty() && name.back() == '/'; }
};

class ZipArchive {
public:
    enum class Mode { readOnly, createNew };

    // Opens an existing archive (readOnly) or creates a new one, replacing a file already
    // at the path when the archive is closed (createNew). Empty with `error` set on failure.
    static std::unique_ptr<ZipArchive> open(const std::filesystem::path& path, Mode mode, std::string& error);

    ~ZipArchive(); // discards unsaved changes
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Every entry in archive order (folders included).
    std::vector<ZipEntry> getEntries() const;

    // Hands the entry's content to `sink` in chunks of at most `chunkSize` bytes; the sink
    // returns false to stop. 0 when the whole entry was read and accepted, else a non-zero
    // libzip error code (or -1 when the sink stopped or the size did not match).
    using ChunkSink = std::function<bool(std::span<const std::byte>)>;
    int readContent(const ZipEntry& entry, const ChunkSink& sink, std::size_t chunkSize) const;

    // Adds a file entry from a buffer that must stay alive until close(). False when libzip
    // refuses the entry (a duplicate name, an archive opened read-only).
    bool addData(const std::string& entryName, std::span<const std::byte> data);

    // Writes the archive; 0 on success, else the libzip error code. The object is spent
    // either way.
    int close();

    // libzip's text for the last error of this archive.
    std::string lastError() const;

private:
    struct Handle;
    explicit ZipArchive(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

} // namespace kiv
