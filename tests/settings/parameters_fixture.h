// A fresh data folder with its own "parameters.xml" for one test, every setting back at its
// default, and the log captured; plus small readers of what the file holds. The settings
// and the log are process globals: one fixture at a time, on the test's thread.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "settings/data_folder.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_reset.h"
#include "settings/settings_table.h"
#include "test_support/file_contents.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

class ParametersFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_setDataFolderForTesting(folder_.path());
        resetSettingsToDefaults();
        param::PROGRAM_VERSION.defaultValue.clear();
        param::PROGRAM_VERSION.value.clear();
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
    }
    void TearDown() override {
        resetSettingsToDefaults();
        param::PROGRAM_VERSION.defaultValue.clear();
        param::PROGRAM_VERSION.value.clear();
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
    }

    std::filesystem::path file() const { return gf_parametersFilePath(); }
    std::filesystem::path sibling(std::string_view suffix) const {
        std::filesystem::path path = file();
        path += std::string(suffix);
        return path;
    }

    // A parameters file with exactly these elements, in this order.
    void writeParameters(const KeyValues& elements) const {
        pugi::xml_document document;
        pugi::xml_node section = document.append_child("root").append_child("parameters");
        for (const auto& [key, value] : elements) {
            pugi::xml_node element = section.append_child("parameter");
            element.append_attribute("name").set_value(key.c_str());
            element.append_attribute("value").set_value(value.c_str());
        }
        ASSERT_TRUE(document.save_file(file().c_str()));
    }

    // Every element of the file as (name, value), in file order; empty when unreadable.
    KeyValues fileElements() const {
        pugi::xml_document document;
        if (!document.load_file(file().c_str())) {
            return {};
        }
        KeyValues elements;
        for (const pugi::xml_node element : document.child("root").child("parameters").children("parameter")) {
            elements.emplace_back(element.attribute("name").value(), element.attribute("value").value());
        }
        return elements;
    }

    // The values of every element with that key, in file order.
    std::vector<std::string> fileValues(std::string_view key) const {
        std::vector<std::string> values;
        for (const auto& [name, value] : fileElements()) {
            if (name == key) {
                values.push_back(value);
            }
        }
        return values;
    }

    LogCapture log_;

private:
    TempFolder folder_;
};

} // namespace kiv::test_support
