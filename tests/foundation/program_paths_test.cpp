
#include <gtest/gtest.h>

#include "foundation/program_folder_check.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/user_related_exception.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

TEST(ProgramPaths, JoinedPathsNameTheirFolders) {
    const ProgramPaths& p = gf_paths();
    const std::pair<const fs::path&, std::string_view> cases[] = {
        {p.outputInfoFolder, "output/info"},
        {p.outputErrorsFolder, "output/errors"},
        {p.parkAirportCache, "airports/park_airport.xml"},
        {p.userRegCodes, "input/my_regcodes"},
        {p.learnedFolder, "airports/learned"},
        {p.learnedStock, "airports/learned/stock"},
        {p.learnedSimaddon, "airports/learned/simaddon"},
        {p.learnedThirdparty, "airports/learned/thirdparty"},
        {p.userSimaddonAirports, "airports/my_simaddon"},
        {p.userThirdpartyAirports, "airports/my_thirdparty"},
        {p.liveriesScanned, "output/LiveriesScanned.xml"},
    };
    for (const auto& [path, text] : cases) {
        EXPECT_EQ(path.generic_string(), text);
        EXPECT_TRUE(path.is_relative()) << text;
    }
    EXPECT_EQ(&gf_liveriesScannedPath(), &p.liveriesScanned);
}

TEST(ProgramPaths, DataFilesLieInTheInputFolder) {
    const ProgramPaths& p = gf_paths();
    const fs::path dataFiles[] = {p.dbaseXml,    p.dbaseEnc,    p.aigRegcodesXml, p.aigRegcodesEnc, p.airportsXml,
                                  p.airportsEnc, p.archivesXml, p.archivesEnc,    p.wktrafficXml,   p.wktrafficEnc};
    ASSERT_EQ(std::size(dataFiles), std::size(kDataFileNames));
    for (std::size_t i = 0; i < std::size(dataFiles); ++i) {
        EXPECT_EQ(dataFiles[i], fs::path("input") / kDataFileNames[i]);
    }
}

TEST(ProgramFolderCheck, NeedsTheDocsFolder) {
    test_support::TempFolder folder;
    fs::create_directory(folder.path() / "docs");
    EXPECT_NO_THROW(gf_checkProgramFolder(folder.path() / "docs"));

    test_support::writeFile(folder.path() / "docs-file", "not a folder");
    for (const fs::path& docs : {folder.path() / "missing", folder.path() / "docs-file"}) {
        try {
            gf_checkProgramFolder(docs);
            ADD_FAILURE() << "no exception for " << docs;
        } catch (const UserRelatedException& e) {
            EXPECT_EQ(e.code(), 41);
            EXPECT_STREQ(e.what(), "41: VELT_P3D must be run from the VELT_P3D folder!");
        }
    }
    // A name too long to ask about fails otherwise than "not found".
    EXPECT_THROW(gf_checkProgramFolder(folder.path() / std::string(300, 'd')), fs::filesystem_error);
}

TEST(ProgramIdentity, ProgramNameFillsTwoPlaces) {
    EXPECT_EQ(gf_programName("{} must be run from the {} folder!"), "VELT_P3D must be run from the VELT_P3D folder!");
    EXPECT_EQ(gf_programName("{}"), "VELT_P3D");
    EXPECT_THROW(gf_programName("{} {} {}"), fmt::format_error);
}

} // namespace
} // namespace kiv
