#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/zip_archive.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

std::span<const std::byte> bytesOf(const std::string& text) {
    return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

std::string readEntry(const ZipArchive& archive, const ZipEntry& entry, std::size_t chunkSize, int& result) {
    std::string content;
    result = archive.readContent(
        entry,
        [&content](std::span<const std::byte> chunk) {
            content.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
            return true;
        },
        chunkSize);
    return content;
}

class ZipArchiveTest : public ::testing::Test {
protected:
    test_support::TempFolder folder;
    std::filesystem::path zipPath = folder.path() / "out.zip";

    void writeArchive(const std::vector<std::pair<std::string, std::string>>& files) {
        std::string error;
        auto archive = ZipArchive::open(zipPath, ZipArchive::Mode::createNew, error);
        ASSERT_NE(archive, nullptr) << error;
        for (const auto& [name, content] : files) {
            ASSERT_TRUE(archive->addData(name, bytesOf(content))) << name;
        }
        ASSERT_EQ(archive->close(), 0);
    }
};

TEST_F(ZipArchiveTest, WrittenEntriesReadBackInEveryChunkSize) {
    const std::string big(700'000, 'x');
    const std::string small = "EHAM,1,2\n";
    const std::string empty;
    writeArchive({{"EHAM.xml", small}, {"big.bin", big}, {"empty.txt", empty}});

    std::string error;
    auto archive = ZipArchive::open(zipPath, ZipArchive::Mode::readOnly, error);
    ASSERT_NE(archive, nullptr) << error;
    const auto entries = archive->getEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "EHAM.xml");
    EXPECT_EQ(entries[1].size, big.size());
    EXPECT_FALSE(entries[1].isDirectory());
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{0x80000}}) {
        int result = -5;
        EXPECT_EQ(readEntry(*archive, entries[0], chunk, result), small) << chunk;
        EXPECT_EQ(result, 0);
        if (chunk != 1) {
            EXPECT_EQ(readEntry(*archive, entries[1], chunk, result), big) << chunk;
            EXPECT_EQ(result, 0);
        }
        EXPECT_EQ(readEntry(*archive, entries[2], chunk, result), empty);
        EXPECT_EQ(result, 0);
    }
}

TEST_F(ZipArchiveTest, AnIndependentReaderSeesTheSameEntries) {
    if (std::system("python3 -c 'import zipfile' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3 is not available";
    }
    writeArchive({{"a.xml", "<a/>"}, {"b.txt", "second file"}});
    const auto script = folder.path() / "check.py";
    std::ofstream(script) << "import sys, zipfile\n"
                             "z = zipfile.ZipFile(sys.argv[1])\n"
                             "assert z.testzip() is None\n"
                             "assert z.namelist() == ['a.xml', 'b.txt'], z.namelist()\n"
                             "assert z.read('b.txt') == b'second file'\n";
    const std::string command = "python3 '" + script.string() + "' '" + zipPath.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST_F(ZipArchiveTest, CreatingReplacesAnOlderArchiveAtTheSamePath) {
    writeArchive({{"old.txt", "old"}});
    writeArchive({{"new.txt", "new"}});
    std::string error;
    auto archive = ZipArchive::open(zipPath, ZipArchive::Mode::readOnly, error);
    ASSERT_NE(archive, nullptr);
    const auto entries = archive->getEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "new.txt");
}

TEST_F(ZipArchiveTest, RefusalsAreReportedNotHidden) {
    std::string error;
    EXPECT_EQ(ZipArchive::open(folder.path() / "missing.zip", ZipArchive::Mode::readOnly, error), nullptr);
    EXPECT_FALSE(error.empty());

    const auto notZip = folder.path() / "not.zip";
    std::ofstream(notZip) << "this is not a zip archive at all, just text";
    error.clear();
    EXPECT_EQ(ZipArchive::open(notZip, ZipArchive::Mode::readOnly, error), nullptr);
    EXPECT_FALSE(error.empty());

    auto writer = ZipArchive::open(zipPath, ZipArchive::Mode::createNew, error);
    ASSERT_NE(writer, nullptr);
    const std::string content = "x";
    EXPECT_TRUE(writer->addData("same", bytesOf(content)));
    EXPECT_FALSE(writer->addData("same", bytesOf(content)));
    EXPECT_EQ(writer->close(), 0);
    EXPECT_NE(writer->close(), 0); // spent

    auto reader = ZipArchive::open(zipPath, ZipArchive::Mode::readOnly, error);
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->addData("more", bytesOf(content)));
}

TEST_F(ZipArchiveTest, ASinkThatStopsEndsTheReadWithAnError) {
    writeArchive({{"data", std::string(100, 'a')}});
    std::string error;
    auto archive = ZipArchive::open(zipPath, ZipArchive::Mode::readOnly, error);
    ASSERT_NE(archive, nullptr);
    const auto entries = archive->getEntries();
    int chunks = 0;
    const int result = archive->readContent(
        entries[0],
        [&chunks](std::span<const std::byte>) {
            ++chunks;
            return false;
        },
        10);
    EXPECT_NE(result, 0);
    EXPECT_EQ(chunks, 1);
}

} // namespace
} // namespace kiv
