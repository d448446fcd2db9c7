// Helper program of the scan crash-consistency test, run in a program folder prepared by the
// test: "<folder> once <scenery>" runs one airport scan of that scenery folder and ends;
// "<folder> loop <sceneryA> <sceneryB>" says "ready" and then scans A, B, A, ... until it is
// killed. The clock is pinned, so a scan of one folder always writes the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "airports/airport_scan.h"
#include "airports/scan_fakes.h"
#include "settings/settings_table.h"
#include "test_support/pinned_clock.h"

namespace {

using namespace kiv;

class QuietShell : public ScanShell {
public:
    void showMessage(std::string_view, bool) override {}
    void clearMessage() override {}
    void showSupportHint() override {}
    void setSupportHintFlag(bool set) override { flag_ = set; }
    bool supportHintFlag() const override { return flag_; }
    void postSimaddonCount(std::uint64_t) override {}
    void postThirdPartyCount(std::uint64_t) override {}
    void repaint(std::uint32_t) override {}
    void enableSkipAirportScanCheckBox(bool) override {}
    void enableTbloButton(bool) override {}

private:
    bool flag_ = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <folder> once <scenery> | loop <sceneryA> <sceneryB>\n", argv[0]);
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    const test_support::PinnedClock clock(1767225600);
    test_support::FakeScanTables tables;
    tables.acceptEveryAirport = true;
    QuietShell shell;
    AirportScanContext context{shell, tables, "", "support@example.org"};
    const std::string mode = argv[2];
    if (mode == "once") {
        param::afolder[0].value = argv[3];
        gf_scanAirports(context);
        return 0;
    }
    if (mode != "loop" || argc < 5) {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned round = 0;; ++round) {
        param::afolder[0].value = argv[3 + round % 2];
        gf_scanAirports(context);
    }
}
