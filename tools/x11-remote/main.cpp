// kiv_x11_remote: another program's window on the X display in $DISPLAY, from outside.
//   kiv_x11_remote grab <file.png> [title]   the window whose title contains `title` (or the screen)
//   kiv_x11_remote wait <title> <seconds>    until such a window is shown; exit 1 on time-out
//   kiv_x11_remote close <title>             ask it to close, as its close button does
//   kiv_x11_remote click <title> <x> <y>     a left click at (x, y) in the window's pixels
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "platform/x11_remote.h"

namespace {

int usage() {
    std::fputs("usage: kiv_x11_remote grab <file.png> [title] | wait <title> <seconds> | close <title> | "
               "click <title> <x> <y>\n", stderr);
    return 2;
}

int failed(const std::string& error) {
    std::fprintf(stderr, "kiv_x11_remote: %s\n", error.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return usage();
    }
    const std::string command = argv[1];
    std::string error;
    try {
        if (command == "grab" && argc <= 4) {
            return kiv::platform::gf_grabWindow("", argc == 4 ? argv[3] : "", argv[2], error) ? 0 : failed(error);
        }
        if (command == "wait" && argc == 4) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::stod(argv[3]));
            while (!kiv::platform::gf_windowShown("", argv[2], error)) {
                if (!error.empty() || std::chrono::steady_clock::now() > deadline) {
                    return failed(error.empty() ? "no window titled '" + std::string(argv[2]) + "'" : error);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            return 0;
        }
        if (command == "click" && argc == 5) {
            return kiv::platform::gf_clickWindow("", argv[2], std::stoi(argv[3]), std::stoi(argv[4]), error)
                       ? 0
                       : failed(error);
        }
        if (command == "close" && argc == 3) {
            return kiv::platform::gf_askWindowToClose("", argv[2], error) ? 0 : failed(error);
        }
    } catch (const std::exception& e) {
        return failed(e.what());
    }
    return usage();
}
