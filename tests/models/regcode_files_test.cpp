#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "models/regcode_files.h"
#include "models_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using Codes = std::set<std::string>;
using Errors = std::vector<std::string>;

TEST(Regcodes, CodeValidity) {
    const std::pair<const char*, bool> cases[] = {
        {"D-AIAB", true},       {"N123AB", true},  {"G.ABCD", true},         {"9H+ABC", true},  {"ABC", true},
        {"ABCDEFGHIJKL", true}, {"AB", false},     {"ABCDEFGHIJKLM", false}, {"", false},       {"d-aiab", false},
        {"D AIAB", false},      {"D,AIAB", false}, {"D_AIAB", false},        {"D-AIÄB", false},
    };
    for (const auto& [code, valid] : cases) {
        Errors errors;
        EXPECT_EQ(checkRegcode(code, "f.txt", 3, "T", errors), !valid) << code;
        EXPECT_EQ(errors.size(), valid ? 0u : 1u) << code;
        Errors aig;
        EXPECT_EQ(checkAigRegcode(code, "T", aig), !valid) << code;
    }
    Errors errors;
    checkRegcode("AB", "f.txt", 3, "My title", errors);
    checkAigRegcode("AB", "My title", errors);
    EXPECT_EQ(errors, (Errors{"f.txt line 3: invalid registration code 'AB' for title 'My title'",
                              "invalid registration code 'AB' for AIG title 'My title'"}));
}

TEST(Regcodes, MessagePrefix) {
    EXPECT_EQ(makeMessagePrefix("a.txt", 4), "a.txt line 4: ");
    EXPECT_EQ(makeMessagePrefix("a.txt", 0), "a.txt: ");
    EXPECT_EQ(makeMessagePrefix("", 4), "line 4: ");
    EXPECT_EQ(makeMessagePrefix("", 0), "");
}

TEST(Regcodes, LinesGiveEntriesAndErrors) {
    struct Case {
        const char* line;
        std::vector<RegcodeEntry> entries;
        Errors errors;
    };
    const Case cases[] = {
        {"MyLivery", {{"MyLivery", {}, false}}, {}},
        {"  MyLivery  ", {{"MyLivery", {}, false}}, {}},
        {"MyLivery;D-AIAB", {{"MyLivery", {"D-AIAB"}, true}}, {}},
        {"MyLivery;D-AIAB,D-AIAC", {{"MyLivery", {"D-AIAB", "D-AIAC"}, false}}, {}},
        {"MyLivery; D-AIAC , D-AIAB ,D-AIAC", {{"MyLivery", {"D-AIAB", "D-AIAC"}, false}}, {}}, // trimmed
        {"MyLivery;D-AIAB,D-AIAC;#", {{"MyLivery", {"D-AIAB", "D-AIAC"}, true}}, {}},
        {"MyLivery;D-AIAB;#", {{"MyLivery", {"D-AIAB"}, true}}, {}},
        {"MyLivery;D-AIAB;x",
         {{"MyLivery", {"D-AIAB"}, true}},
         {"f.txt line 1: invalid special marker 'x' for title 'MyLivery'"}},
        {"MyLivery;D-AIAB,D-AIAC;x",
         {{"MyLivery", {"D-AIAB", "D-AIAC"}, false}},
         {"f.txt line 1: invalid special marker 'x' for title 'MyLivery'"}},
        {"MyLivery;bad", {}, {"f.txt line 1: invalid registration code 'bad' for title 'MyLivery'"}},
        {"MyLivery;bad,D-AIAB",
         {{"MyLivery", {"D-AIAB"}, true}},
         {"f.txt line 1: invalid registration code 'bad' for title 'MyLivery'"}},
        {"A;D-AIAB;#;x", {}, {"f.txt line 1: expected at most 3 semicolon-separated fields: 'A;D-AIAB;#;x'"}},
        {";D-AIAB", {{"D-AIAB", {}, false}}, {}},
        {"MyLivery;;D-AIAB", {{"MyLivery", {"D-AIAB"}, true}}, {}},
        {"", {}, {}},
        {" ; ;", {}, {}},
        {"# not a comment", {{"# not a comment", {}, false}}, {}},
    };
    for (const Case& c : cases) {
        const RegcodeFileResult result = parseRegcodeLine({c.line}, "f.txt");
        EXPECT_EQ(result.entries, c.entries) << c.line;
        EXPECT_EQ(result.errors, c.errors) << c.line;
    }
}

TEST(Regcodes, LineNumbersCountEveryLine) {
    const RegcodeFileResult result = parseRegcodeLine({"A;D-AIAB", "", "B;x1", "C"}, "");
    EXPECT_EQ(result.errors, Errors{"line 3: invalid registration code 'x1' for title 'B'"});
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.entries[1].title, "C");
}

class RegcodeFolder : public ::testing::Test {
protected:
    std::filesystem::path folder() const { return temp_.path() / "my_regcodes"; }
    void write(const std::string& name, std::string_view bytes) { test_support::writeBytes(folder() / name, bytes); }

    test_support::TempFolder temp_;
    test_support::LogCapture log_;
};

TEST_F(RegcodeFolder, ReadsTextFilesInPathOrderWhateverTheirEncoding) {
    write("a.txt", "Alpha;D-AAAA\n");
    write("B.txt", "Bravo;D-BBBB\r\n");
    write("FILE.TXT", "\xEF\xBB\xBF"
                      "Charlie;D-CCCC\n");
    write("file.txt.bak", "Never;D-NNNN\n");
    write("notes.md", "Never;D-NNNN\n");
    std::filesystem::create_directories(folder() / "sub.txt");
    write("sub.txt/inner.txt", "Never;D-NNNN\n");
    // UTF-16 with its mark, and Windows-1252 ("Caf\xE9").
    write("u16.txt", test_support::utf16LeWithMark(u"Delta;D-DDDD\r\n"));
    write("w1252.txt", "Caf\xE9;D-EEEE\n");

    const RegcodeFileResult result = readMyRegcodesFolder(folder());
    std::vector<std::string> titles;
    for (const RegcodeEntry& entry : result.entries) {
        titles.push_back(entry.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Bravo", "Charlie", "Alpha", "Delta", "Caf\xC3\xA9"}));
    EXPECT_EQ(result.errors, Errors{});
    const auto lines = log_.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Processing '" + gf_pathToUtf8(folder() / "FILE.TXT") + "'");
}

TEST_F(RegcodeFolder, ErrorsOfAllFilesAreKeptInOrder) {
    write("a.txt", "A;bad\n");
    write("b.txt", "B;D-BBBB\nC;D-CCCC;?\n");
    const RegcodeFileResult result = readMyRegcodesFolder(folder());
    const std::string a = gf_pathToUtf8(folder() / "a.txt");
    const std::string b = gf_pathToUtf8(folder() / "b.txt");
    EXPECT_EQ(result.errors, (Errors{a + " line 1: invalid registration code 'bad' for title 'A'",
                                     b + " line 2: invalid special marker '?' for title 'C'"}));
    EXPECT_EQ(result.entries.size(), 2u);
}

TEST_F(RegcodeFolder, MissingFolderOrAFileInsteadIsAnError) {
    RegcodeFileResult missing = readMyRegcodesFolder(folder());
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_EQ(missing.errors[0].rfind("could not inspect '" + gf_pathToUtf8(folder()) + "': ", 0), 0u);

    test_support::writeBytes(folder(), "not a folder");
    EXPECT_EQ(readMyRegcodesFolder(folder()).errors, Errors{"'" + gf_pathToUtf8(folder()) + "' is not a directory"});
}

// The AIG list: root / meta (the info header) / aig / l.
std::string aigXml(std::string_view items, std::string_view sim = "3") {
    return "<root><meta><info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"" + std::string(sim) +
           "\"/></meta><aig>" + std::string(items) + "</aig></root>";
}

TEST_F(RegcodeFolder, AigListReadsTitlesCodesAndSpecialFlags) {
    const auto path = temp_.path() / "AIG-regcodes.enc";
    test_support::writeEncryptedXml(path, aigXml(R"(
        <l t="AIG A320 DLH" r="D-AIAB, D-AIAC" s="true"/>
        <l t="AIG B738 RYR" r="EI-DCL" s="no"/>
        <l t="AIG dont use"/>
        <l t="AIG empty codes" r=""/>
        <l t="AIG bad" r="bad,x"/>
        <l t="AIG half" r="bad,G-ABCD" s="Y"/>
        <l r="D-AIAD"/>
        <l t="" r="D-AIAD"/>
        <l t="AIG A320 DLH" r="D-AIAE"/>
        <l t="AIG flags" r="D-AIAF" s="1x"/>
        <l t="AIG flags 2" r="D-AIAG" s="false"/>
        <other t="ignored" r="D-AIAH"/>
      )"));
    const RegcodeFileResult result = loadAigRegcodes(path);
    const std::vector<RegcodeEntry> expected = {
        {"AIG A320 DLH", {"D-AIAB", "D-AIAC"}, true},
        {"AIG B738 RYR", {"EI-DCL"}, false},
        {"AIG dont use", {}, false},
        {"AIG empty codes", {}, false},
        {"AIG half", {"G-ABCD"}, true},
        {"AIG flags", {"D-AIAF"}, true},
        {"AIG flags 2", {"D-AIAG"}, false},
    };
    EXPECT_EQ(result.entries, expected);
    EXPECT_EQ(result.errors,
              (Errors{"invalid registration code 'bad' for AIG title 'AIG bad'",
                      "invalid registration code 'x' for AIG title 'AIG bad'",
                      "invalid registration code 'bad' for AIG title 'AIG half'", "AIG XML record 7 has no title",
                      "AIG XML record 8 has no title", "duplicate AIG title 'AIG A320 DLH'"}));
    const auto lines = log_.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "    7 livery titles with 6 regcodes, read from " + gf_pathToUtf8(path));
}

TEST_F(RegcodeFolder, AigListRefusals) {
    const auto path = temp_.path() / "AIG-regcodes.enc";
    const std::string name = gf_pathToUtf8(path);
    struct Case {
        std::string xml;
        Errors errors;
    };
    const Case cases[] = {
        {aigXml(R"(<l t="A" r="D-AIAB"/>)", "9"), {"'" + name + "' has invalid metadata"}},
        {"<root><aig><l t=\"A\"/></aig></root>", {"'" + name + "' has invalid metadata"}},
        {"<root><meta>", {"'" + name + "' not loaded: Start-end tags mismatch"}},
        {"<top/>", {"'" + name + "' has invalid metadata"}},
        {"<root><meta><info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"3\"/></meta></root>",
         {"missing <aig> element"}},
    };
    for (const Case& c : cases) {
        test_support::writeEncryptedXml(path, c.xml);
        const RegcodeFileResult result = loadAigRegcodes(path);
        EXPECT_TRUE(result.entries.empty()) << c.xml;
        EXPECT_EQ(result.errors, c.errors) << c.xml;
    }
    std::filesystem::remove(path);
    const RegcodeFileResult missing = loadAigRegcodes(path);
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_NE(missing.errors[0].find(name), std::string::npos);

    pugi::xml_document document;
    document.append_child("other");
    EXPECT_EQ(parseAigRegcodesXml(document).errors, Errors{"missing <root> element"});
}

TEST(Regcodes, MissingTitleLinesJoinTheCodesOfTitlesNotInstalled) {
    const std::vector<RegcodeEntry> entries = {
        {"Zulu", {"D-ZZZZ"}, true},  {"Installed", {"D-IIII"}, true},
        {"Alpha", {"D-AAA2"}, true}, {"Alpha", {"D-AAA1", "D-AAA2"}, false},
        {"No codes", {}, false},
    };
    const std::vector<std::string_view> installed = {"Installed", "No codes"};
    EXPECT_EQ(lf_missingTitleLines(entries, installed),
              (std::vector<std::string>{"Alpha; D-AAA1, D-AAA2", "Zulu; D-ZZZZ"}));
}

} // namespace
} // namespace kiv
