#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/text_conversion.h"
#include "livery_fixtures.h"
#include "models/livery_key_text.h"
#include "models/livery_store.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::makeLivery;

class LiveryStoreTest : public test_support::LiveryTest {
protected:
    const fs::path& store() const { return folder_.paths.store; }
    fs::path temporary() const { return lf_scanTempPath(store()); }

    // An old store whose text the tests compare against afterwards.
    std::string writeOldStore() {
        EXPECT_TRUE(lf_writeLiveriesScanned({makeLivery("Old", "DLH", "A320")}, store()));
        return test_support::readText(store());
    }

    // Everything in the store's folder, to see that no temporary or backup file stays.
    std::vector<std::string> outputEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(store().parent_path())) {
            if (entry.is_regular_file()) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
};

TEST_F(LiveryStoreTest, RoundTripWritesOptionalAttributesOnlyWhenSet) {
    struct Case {
        Livery livery;
        std::string attributes; // in written order
    };
    const std::vector<Case> cases = {
        {makeLivery("Plain", "DLH", "A320"), "a m t"},
        {makeLivery("Operated", "DLH/CLH", "A320"), "a o m t"},
        {makeLivery("Freighter", "FDX", "B77F", true), "a m c t"},
        {makeLivery("Registered", "BAW", "B744", false, "G-CIVA"), "a m t r"},
        {makeLivery("All of it", "DLH/CLH", "B77F", true, "D-ALFA"), "a o m c t r"},
    };
    std::vector<Livery> liveries;
    for (const Case& c : cases) {
        liveries.push_back(c.livery);
    }
    liveries[0].folderPriority = 3; // not stored
    ASSERT_TRUE(lf_writeLiveriesScanned(liveries, store()));

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(store().c_str()));
    std::size_t index = 0;
    for (const pugi::xml_node element : document.child("root").child("liveries").children("l")) {
        std::string names;
        for (const pugi::xml_attribute attribute : element.attributes()) {
            names += (names.empty() ? "" : " ") + std::string(attribute.name());
        }
        ASSERT_LT(index, cases.size());
        EXPECT_EQ(names, cases[index].attributes) << cases[index].livery.title;
        ++index;
    }
    EXPECT_EQ(index, cases.size());
    EXPECT_EQ(document.child("root").child("liveries").first_child().attribute("o").value(), std::string(""));
    EXPECT_STREQ(document.child("root").child("liveries").child("l").next_sibling().attribute("o").value(), "CLH");
    EXPECT_STREQ(
        document.child("root").child("liveries").child("l").next_sibling().next_sibling().attribute("c").value(),
        "true");
    EXPECT_TRUE(document.child("root").child("meta"));

    std::vector<Livery> read;
    ASSERT_TRUE(lf_readLiveriesScanned(store(), read));
    std::sort(liveries.begin(), liveries.end());
    ASSERT_EQ(read.size(), liveries.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].title, liveries[i].title);
        EXPECT_EQ(read[i].regcode, liveries[i].regcode);
        EXPECT_EQ(read[i].key, liveries[i].key) << gf_liveryKeyText(read[i].key);
        EXPECT_EQ(read[i].folderPriority, 0);
    }
    EXPECT_EQ(outputEntries(), std::vector<std::string>{"LiveriesScanned.xml"});
}

TEST_F(LiveryStoreTest, NoLiveriesWriteNothing) {
    EXPECT_FALSE(lf_writeLiveriesScanned({}, store()));
    EXPECT_FALSE(fs::exists(store()));
    const std::string old = writeOldStore();
    EXPECT_FALSE(lf_writeLiveriesScanned({}, store()));
    EXPECT_EQ(test_support::readText(store()), old);
}

TEST_F(LiveryStoreTest, StaleTemporaryFileIsRemovedOrTheWriteFails) {
    writeOldStore();
    test_support::writeBytes(temporary(), "<half written");
    ASSERT_TRUE(lf_writeLiveriesScanned({makeLivery("New", "DLH", "A320")}, store()));
    EXPECT_NE(test_support::readText(store()).find("t=\"New\""), std::string::npos);
    EXPECT_FALSE(fs::exists(temporary()));

    // A temporary name that cannot be removed (a folder with a file in it) stops the write.
    const std::string current = test_support::readText(store());
    test_support::writeBytes(temporary() / "inside", "x");
    EXPECT_FALSE(lf_writeLiveriesScanned({makeLivery("Newer", "DLH", "A320")}, store()));
    EXPECT_EQ(test_support::readText(store()), current);
    const std::vector<std::string> lines = log_.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with("==> Cannot remove stale temporary livery scan file " +
                                         gf_pathToUtf8(temporary()) + ": "))
        << lines.back();
}

TEST_F(LiveryStoreTest, DocumentFailingValidationNeverReplacesTheStore) {
    const std::string old = writeOldStore();
    struct Case {
        const char* name;
        std::string liveries;
        std::size_t expected;
    };
    const Case cases[] = {
        {"an l without t", R"(<l a="DLH" m="A320" t="One"/><l a="DLH" m="A320"/>)", 2},
        {"an l without a", R"(<l m="A320" t="One"/>)", 1},
        {"fewer l than liveries", R"(<l a="DLH" m="A320" t="One"/>)", 2},
        {"more l than liveries", R"(<l a="DLH" m="A320" t="One"/><l a="DLH" m="A320" t="Two"/>)", 1},
    };
    for (const Case& c : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(("<root><liveries>" + c.liveries + "</liveries></root>").c_str()));
        EXPECT_FALSE(lf_storeScanDocument(document, c.expected, store())) << c.name;
        EXPECT_EQ(test_support::readText(store()), old) << c.name;
        EXPECT_FALSE(fs::exists(temporary())) << c.name;
        EXPECT_EQ(log_.lines().back(),
                  "==> Temporary livery scan file " + gf_pathToUtf8(temporary()) + " failed validation")
            << c.name;
    }
}

TEST_F(LiveryStoreTest, CommitMovesIntoPlaceOrReplacesWithoutBackup) {
    ASSERT_TRUE(lf_writeLiveriesScanned({makeLivery("First", "DLH", "A320")}, store()));
    ASSERT_TRUE(lf_writeLiveriesScanned({makeLivery("Second", "DLH", "A320")}, store()));
    std::vector<Livery> read;
    ASSERT_TRUE(lf_readLiveriesScanned(store(), read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].title, "Second");
    EXPECT_EQ(outputEntries(), std::vector<std::string>{"LiveriesScanned.xml"});
    EXPECT_EQ(log_.lines().back(), "    1 liveries read from " + gf_pathToUtf8(store()));

    // A target that cannot be replaced (a folder) fails and leaves no temporary file.
    fs::remove(store());
    test_support::writeBytes(store() / "inside", "x");
    EXPECT_FALSE(lf_writeLiveriesScanned({makeLivery("Third", "DLH", "A320")}, store()));
    EXPECT_TRUE(fs::is_directory(store()));
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(
        log_.lines().back().starts_with("==> Cannot replace " + gf_pathToUtf8(store()) + " after the livery scan: "))
        << log_.lines().back();
}

TEST_F(LiveryStoreTest, ReadRefusesBrokenStoresWithTheirCodes) {
    const std::string path = gf_pathToUtf8(store());
    struct Case {
        const char* name;
        std::optional<std::string> text; // none: no file
        std::string logged;
    };
    const Case cases[] = {
        {"no file", std::nullopt, "51: Could not open " + path},
        {"not XML", "<root><liveries>", "51: Error reading " + path + ": Start-end tags mismatch"},
        {"no root", "<top/>", "52: " + path + " does not contain <root>"},
        {"no liveries", "<root/>", "52: " + path + " does not contain a <liveries> section"},
        {"empty liveries", "<root><liveries/></root>", "533: " + path + " does not contain liveries"},
        {"no a in another element",
         R"(<root><liveries><l a="DLH" m="A320" t="T"/><x m="A320" t="T"/></liveries></root>)",
         "999: Missing required attribute 'a' in <x>"},
        {"no m", R"(<root><liveries><l a="DLH" t="T"/></liveries></root>)",
         "999: Missing required attribute 'm' in <l>"},
        {"no t", R"(<root><liveries><l a="DLH" m="A320"/></liveries></root>)",
         "999: Missing required attribute 't' in <l>"},
    };
    const std::vector<Livery> before = {makeLivery("Kept", "DLH", "A320")};
    for (const Case& c : cases) {
        fs::remove(store());
        if (c.text) {
            test_support::writeBytes(store(), *c.text);
        }
        std::vector<Livery> liveries = before;
        EXPECT_FALSE(lf_readLiveriesScanned(store(), liveries)) << c.name;
        ASSERT_EQ(liveries.size(), 1u) << c.name;
        EXPECT_EQ(liveries[0].title, "Kept") << c.name;
        EXPECT_EQ(log_.lines().back(), c.logged) << c.name;
    }
}

TEST_F(LiveryStoreTest, ReadSortsAndTakesEveryChildElement) {
    test_support::writeBytes(store(), R"(<root><liveries>
        <l a="KLM" m="B738" t="K"/>
        <other a="DLH" m="B738" t="D2" c="true"/>
        <!-- a comment is no livery -->
        <l a="DLH" m="A320" t="D1" r="D-AIAB" o="CLH"/>
        <l a="DLH" m="B738" t="D0"/>
      </liveries></root>)");
    std::vector<Livery> liveries;
    ASSERT_TRUE(lf_readLiveriesScanned(store(), liveries));
    std::vector<std::string> order;
    for (const Livery& livery : liveries) {
        order.push_back(livery.title + "|" + gf_liveryKeyText(livery.key) + "|" + livery.regcode);
    }
    // Ids decide: DLH and KLM were interned in database order (BAW, CLH, DLH, ..., KLM).
    const std::vector<std::string> expected = {"D0|DLH     B738    |", "D2|DLH     B738 (C)|",
                                               "D1|DLH,CLH A320    |D-AIAB", "K|KLM     B738    |"};
    EXPECT_EQ(order, expected);
}

} // namespace
} // namespace kiv
