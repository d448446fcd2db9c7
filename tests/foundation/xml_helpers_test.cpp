
#include <gtest/gtest.h>

#include "foundation/xml_helpers.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::readFile;

pugi::xml_document documentWithValue(const char* value) {
    pugi::xml_document document;
    document.append_child("p").append_attribute("value").set_value(value);
    return document;
}

TEST(XmlHelpers, IntegerAttributeAcceptsOnlyOneWholeDecimalNumber) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"42", 42},
        {" +42 ", 42},
        {"\t-7\r\n", -7},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"2147483648", std::nullopt},
        {"+", std::nullopt},
        {"++1", std::nullopt},
        {"4 2", std::nullopt},
        {"42a", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"0x10", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const pugi::xml_document document = documentWithValue(text);
        EXPECT_EQ(gf_xmlAttributeInt(document.child("p"), "value"), expected) << '"' << text << '"';
    }
    EXPECT_EQ(gf_xmlAttributeInt(documentWithValue("1").child("p"), "other"), std::nullopt);
}

TEST(XmlHelpers, BooleanAttributeKnowsFourWordsEachWay) {
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"true", true},     {"YES", true},           {" Yes ", true},     {"on", true}, {"1", true},
        {"False", false},   {"no", false},           {"\tOFF\n", false},  {"0", false}, {"y", std::nullopt},
        {"", std::nullopt}, {"truee", std::nullopt}, {"2", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const pugi::xml_document document = documentWithValue(text);
        EXPECT_EQ(gf_xmlAttributeBool(document.child("p"), "value"), expected) << '"' << text << '"';
    }
    EXPECT_EQ(gf_xmlAttributeBool(documentWithValue("true").child("p"), "other"), std::nullopt);
}

TEST(XmlHelpers, DoubleAttributeAcceptsOneWholeFiniteNumber) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"35.8", 35.8},        {"+35.8", 35.8},         {" 36 ", 36.0},         {"-3", -3.0},
        {"1e2", 100.0},        {"+", std::nullopt},     {"++1", std::nullopt},  {"", std::nullopt},
        {" ", std::nullopt},   {"36m", std::nullopt},   {"wide", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt}, {"1e999", std::nullopt}, {"3 6", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const pugi::xml_document document = documentWithValue(text);
        EXPECT_EQ(gf_xmlAttributeDouble(document.child("p"), "value"), expected) << '"' << text << '"';
    }
    EXPECT_EQ(gf_xmlAttributeDouble(documentWithValue("1").child("p"), "other"), std::nullopt);
}

TEST(XmlHelpers, StringAttributeTellsEmptyFromMissing) {
    const pugi::xml_document document = documentWithValue("");
    EXPECT_EQ(gf_xmlAttributeString(document.child("p"), "value"), std::optional<std::string>(""));
    EXPECT_EQ(gf_xmlAttributeString(document.child("p"), "name"), std::nullopt);
    EXPECT_EQ(gf_xmlAttributeString(document.child("missing"), "value"), std::nullopt);
}

TEST(XmlHelpers, AppendersWriteTheirValueFormsAndReportFailure) {
    pugi::xml_document document;
    pugi::xml_node node = document.append_child("p");
    EXPECT_TRUE(gf_appendStringAttribute(node, "s", "a b"));
    EXPECT_TRUE(gf_appendIntAttribute(node, "i", -12));
    EXPECT_TRUE(gf_appendBoolAttribute(node, "b", false));
    EXPECT_STREQ(node.attribute("s").value(), "a b");
    EXPECT_STREQ(node.attribute("i").value(), "-12");
    EXPECT_STREQ(node.attribute("b").value(), "false");

    // A document node cannot carry attributes, and an empty handle is no node at all.
    pugi::xml_node documentNode = document;
    pugi::xml_node none;
    EXPECT_FALSE(gf_appendStringAttribute(documentNode, "s", "x"));
    EXPECT_FALSE(gf_appendIntAttribute(none, "i", 1));
    EXPECT_FALSE(gf_appendBoolAttribute(none, "b", true));
}

TEST(XmlHelpers, SaveWritesDeclarationAndTwoBlankIndent) {
    test_support::TempFolder folder;
    const struct {
        const char* source;
        const char* expected;
    } cases[] = {
        {"<root><a x=\"1\"/></root>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <a x=\"1\" />\n</root>\n"},
        // A declaration of another version and encoding is corrected, not doubled.
        {"<?xml version=\"1.1\" encoding=\"ISO-8859-1\"?><root/>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root />\n"},
        {"<?xml version=\"1.0\"?><root>\xc3\xa9</root>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\xc3\xa9</root>\n"},
    };
    for (const auto& [source, expected] : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(source, pugi::parse_default | pugi::parse_declaration));
        const std::filesystem::path path = folder.path() / "out.xml";
        ASSERT_TRUE(gf_saveXmlDocument(document, path));
        EXPECT_EQ(readFile(path), expected) << source;
    }
}

TEST(XmlHelpers, SaveIntoMissingFolderFails) {
    test_support::TempFolder folder;
    pugi::xml_document document;
    document.append_child("root");
    EXPECT_FALSE(gf_saveXmlDocument(document, folder.path() / "missing" / "out.xml"));
}

TEST(XmlHelpers, VersionStringHasThreeParts) {
    EXPECT_EQ(gf_versionString(16, 8, 4), "16.8.4");
    EXPECT_EQ(gf_versionString(Version{4294967295U, 0, 10}), "4294967295.0.10");
}

} // namespace
} // namespace kiv
