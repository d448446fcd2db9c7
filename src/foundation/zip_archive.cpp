#include "foundation/zip_archive.h"

#include <utility>

#include <zip.h>

namespace kiv {

struct ZipArchive::Handle {
    zip_t* archive = nullptr;
};

namespace {

std::string errorCodeText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

} // namespace

std::unique_ptr<ZipArchive> ZipArchive::open(const std::filesystem::path& path, Mode mode, std::string& error) {
    const int flags = mode == Mode::readOnly ? ZIP_RDONLY : (ZIP_CREATE | ZIP_TRUNCATE);
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), flags, &code);
    if (archive == nullptr) {
        error = errorCodeText(code);
        return nullptr;
    }
    auto handle = std::make_unique<Handle>();
    handle->archive = archive;
    return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(handle)));
}

ZipArchive::ZipArchive(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

ZipArchive::~ZipArchive() {
    if (handle_->archive != nullptr) {
        zip_discard(handle_->archive);
    }
}

std::vector<ZipEntry> ZipArchive::getEntries() const {
    std::vector<ZipEntry> entries;
    if (handle_->archive == nullptr) {
        return entries;
    }
    const zip_int64_t count = zip_get_num_entries(handle_->archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(handle_->archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
            continue; // a deleted entry of an archive being changed
        }
        ZipEntry entry;
        entry.index = static_cast<std::uint64_t>(index);
        if ((stat.valid & ZIP_STAT_NAME) != 0 && stat.name != nullptr) {
            entry.name = stat.name;
        }
        if ((stat.valid & ZIP_STAT_SIZE) != 0) {
            entry.size = stat.size;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

int ZipArchive::readContent(const ZipEntry& entry, const ChunkSink& sink, std::size_t chunkSize) const {
    if (handle_->archive == nullptr || chunkSize == 0) {
        return -1;
    }
    zip_file_t* file = zip_fopen_index(handle_->archive, entry.index, 0);
    if (file == nullptr) {
        return zip_error_code_zip(zip_get_error(handle_->archive));
    }
    std::vector<std::byte> buffer(chunkSize);
    std::uint64_t total = 0;
    int result = 0;
    for (;;) {
        const zip_int64_t read = zip_fread(file, buffer.data(), buffer.size());
        if (read < 0) {
            result = zip_error_code_zip(zip_file_get_error(file));
            if (result == 0) {
                result = -1;
            }
            break;
        }
        if (read == 0) {
            break;
        }
        total += static_cast<std::uint64_t>(read);
        if (!sink(std::span<const std::byte>(buffer.data(), static_cast<std::size_t>(read)))) {
            result = -1;
            break;
        }
    }
    zip_fclose(file);
    if (result == 0 && total != entry.size) {
        result = -1;
    }
    return result;
}

bool ZipArchive::addData(const std::string& entryName, std::span<const std::byte> data) {
    if (handle_->archive == nullptr) {
        return false;
    }
    zip_source_t* source = zip_source_buffer(handle_->archive, data.data(), data.size(), 0);
    if (source == nullptr) {
        return false;
    }
    if (zip_file_add(handle_->archive, entryName.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source); // still ours when the add failed
        return false;
    }
    return true;
}

int ZipArchive::close() {
    if (handle_->archive == nullptr) {
        return -1;
    }
    if (zip_close(handle_->archive) == 0) {
        handle_->archive = nullptr;
        return 0;
    }
    const int code = zip_error_code_zip(zip_get_error(handle_->archive));
    zip_discard(handle_->archive);
    handle_->archive = nullptr;
    return code == 0 ? -1 : code;
}

std::string ZipArchive::lastError() const {
    if (handle_->archive == nullptr) {
        return {};
    }
    return zip_strerror(handle_->archive);
}

} // namespace kiv
