// The main window's creation and its placement on screen.
#include "app/init_instance.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "app/gui.h"
#include "app/gui_layout.h"
#include "app/window_procedure.h"
#include "foundation/file_helpers.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/data_folder.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::int32_t kVisibleMargin = 48;

void readPositionValue(const pugi::xml_node& parameters, IntParameter& parameter) {
    for (const pugi::xml_node element : parameters.children()) {
        if (parameter.key == element.attribute("name").as_string()) {
            const std::int64_t value = std::strtoll(element.attribute("value").as_string(), nullptr, 10);
            parameter.value = static_cast<std::int32_t>(std::clamp<std::int64_t>(value, parameter.min, parameter.max));
            return;
        }
    }
}

void storeClamped(IntParameter& parameter, std::int32_t value) { gf_setAndStore(parameter, value); }

} // namespace

void lf_readWindowPosition() {
    const std::filesystem::path file = gf_parametersFilePath();
    const std::string shown = gf_pathToUtf8(file);
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (error) {
        gf_logImportant(fmt::format("Could not check whether '{}' exists: {}", shown, error.message()));
        return;
    }
    if (!exists) {
        return;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_file(file.c_str());
    if (result.status == pugi::status_file_not_found || result.status == pugi::status_io_error) {
        gf_logImportant(fmt::format("{} could not be opened", shown));
        return;
    }
    if (!result) {
        gf_logImportant(fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", shown, result.description()));
        gf_save1GenerationOf(file);
        std::filesystem::remove(file, error);
        if (error) {
            gf_logImportant(fmt::format("Could not remove '{}': {}", shown, error.message()));
        }
        return;
    }
    const pugi::xml_node parameters = document.first_child().child("parameters");
    readPositionValue(parameters, param::MAIN_WINDOW_X);
    readPositionValue(parameters, param::MAIN_WINDOW_Y);
}

std::unique_ptr<platform::MainWindow> initInstance(MainWindowProcedure& procedure, const MainWindowFactory& factory) {
    const WindowContext& context = procedure.context();
    Gui& gui = context.gui;
    gui.beginWindowCreation();
    gf_registerGuiThread();
    gf_mainWindowState().dropDownHeights.clear();

    lf_readWindowPosition();
    const std::int32_t height = gf_clientHeight(param::COLLAPSED.value, false);
    std::unique_ptr<platform::MainWindow> window =
        factory(param::MAIN_WINDOW_X.value, param::MAIN_WINDOW_Y.value, height, procedure);
    if (window == nullptr) {
        gf_logImportant("Creating the main window failed");
        return nullptr;
    }
    // Attached first, so that the collapsed state posted with the controls hides them.
    gui.setDpi(window->dpi());
    gui.attachWindow(*window, window->dpi());
    lf_createControls(*window, context);
    gui.repaint(kRepaintResize);
    lf_keepOnScreen(*window, param::MAIN_WINDOW_X.defaultValue, param::MAIN_WINDOW_Y.defaultValue);
    window->show();
    return window;
}

std::int32_t gf_keepEdgeOnScreen(std::int32_t edge, std::int32_t size, std::int32_t low, std::int32_t high) {
    if (size > high - low) {
        edge = low;
    }
    if (edge + size < low + kVisibleMargin) {
        edge = low + kVisibleMargin - size;
    }
    return std::min(edge, high - kVisibleMargin);
}

void lf_keepOnScreen(platform::MainWindow& window, std::int32_t fallbackX, std::int32_t fallbackY) {
    IntParameter& x = param::MAIN_WINDOW_X;
    IntParameter& y = param::MAIN_WINDOW_Y;
    if (x.value <= x.min || x.value >= x.max) {
        storeClamped(x, fallbackX);
    }
    if (y.value <= y.min || y.value >= y.max) {
        storeClamped(y, fallbackY);
    }
    const platform::PixelRect frame = window.frame();
    const std::int32_t width = frame.right - frame.left;
    const std::int32_t height = frame.bottom - frame.top;
    const platform::PixelRect placed{x.value, y.value, x.value + width, y.value + height};
    const platform::PixelRect area = window.workAreaNear(placed);
    const std::int32_t left = gf_keepEdgeOnScreen(x.value, width, area.left, area.right);
    const std::int32_t top = gf_keepEdgeOnScreen(y.value, height, area.top, area.bottom);
    if (left != x.value || top != y.value || frame.left != left || frame.top != top) {
        if (left != x.value || top != y.value) {
            storeClamped(x, left);
            storeClamped(y, top);
        }
        window.moveTo(x.value, y.value);
    }
}

} // namespace kiv
