#include "app/program_main_flow_steps.h"

#include <fmt/format.h>

#include "airports/airport_scan.h"
#include "airports/current_park_airport.h"
#include "airports/destination_airport_files.h"
#include "airports/park_airports.h"
#include "airports/scan_context.h"
#include "airports/scan_reference_tables.h"
#include "app/airport_downloads.h"
#include "app/command_line_job.h"
#include "app/program.h"
#include "app/shell_open.h"
#include "app/sim_install_path.h"
#include "app/support_hint.h"
#include "app/traffic_commands.h"
#include "app/update_check.h"
#include "feeds/rt_credential.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "models/livery_scan_driver.h"
#include "models/scanned_liveries.h"
#include "models/type_database.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"
#include "traffic/sim_queues.h"
#include "traffic/simulator_loop.h"

namespace kiv {
namespace {

namespace p = param;

// The start's rules for the controls that no setting of their own decides.
void applyStartRules(const WindowContext& context, bool rtDirect, bool supportHintPending) {
    gf_refreshControlStates(context);
    gf_enableControl(p::RT_CHOISE, false);
    gf_enableControl(p::AEROWINX, !rtDirect);
    for (const ParameterControl* control : std::initializer_list<const ParameterControl*>{
             &p::AIRCRAFT_SELECTOR, &p::STAND_SELECTOR, &p::BUTTON_BLOCK, &p::BUTTON_AIRCRAFT, &p::BUTTON_PARK,
             &p::BUTTON_FLUSH}) {
        gf_enableControl(*control, false);
    }
    gf_enableControl(p::BUTTON_UNBLOCK, !p::BLOCK_AIRCRAFT.value.empty());
    gf_enableControl(p::BUTTON_TBLO, supportHintPending);
}

} // namespace

void ProgramMainFlowSteps::startNetworkLibrary() {
    // Sockets need no library start on this platform.
}

void ProgramMainFlowSteps::readSettings() {
    gf_readParameters();
    gf_readTrafficSource();
    gf_publishSettingsSnapshot();
    // The archive downloads follow the DOWNLOAD_SERVER just read.
    gf_installAirportDownloads();
}

void ProgramMainFlowSteps::initControls() {
    p_.gui.enqueueUpdate(gui_update::QnhInInchesHg{p::QNH_UNIT.value == "QNH inHg"});
    // A learning archive left by an earlier scan still waits to be mailed.
    const ProgramPaths& paths = gf_paths();
    std::error_code error;
    const std::filesystem::path archive = p_.programFolder / paths.supportFolder / paths.supportArchive;
    if (!p_.gui.supportHintPending() && std::filesystem::exists(archive, error)) {
        p_.gui.setSupportHintPending(true);
        gf_showSupportHint(p_.gui);
    }
    const WindowContext context = p_.windowContext;
    const bool rtDirect = gf_isRTDirect();
    const bool hintPending = p_.gui.supportHintPending();
    gf_runOnGuiThread([context, rtDirect, hintPending] { applyStartRules(context, rtDirect, hintPending); });
}

void ProgramMainFlowSteps::findRtCredentials() {
    JobAwareCredentialPrompt prompt(p_.credentialPrompt, p_.flags);
    p_.rtCredential = gf_findRtCredentials(prompt);
}

bool ProgramMainFlowSteps::checkForUpdates() {
    UpdateCheckContext context{p_.gui, p_.programFolder, gf_programVersion(),
                               // The folder of the new version, shown by the file it holds.
                               [](const std::filesystem::path& folder) { return gf_shellOpen(folder / "README.txt"); }};
    return gf_checkForUpdates(context);
}

void ProgramMainFlowSteps::initTimeShiftControls() {
    if (!gf_isRTDirect()) {
        gf_runOnGuiThread([] {
            for (const ParameterControl* control : std::initializer_list<const ParameterControl*>{
                     &p::KEEP_SIM_TIME_PAR, &p::TIME_SHIFT_DAYS, &p::TIME_SHIFT_HOURS, &p::TIME_SHIFT_MINS,
                     &p::SIM_TIME, &p::BUTTON_SET}) {
                gf_enableControl(*control, false);
            }
        });
        p_.gui.enqueueUpdate(gui_update::TimeShiftLocked{});
        return;
    }
    gf_runOnGuiThread([] {
        for (const ParameterControl* control : std::initializer_list<const ParameterControl*>{
                 &p::KEEP_SIM_TIME_PAR, &p::TIME_SHIFT_DAYS, &p::TIME_SHIFT_HOURS, &p::TIME_SHIFT_MINS,
                 &p::SIM_TIME}) {
            gf_enableControl(*control, true);
        }
        gf_enableControl(p::BUTTON_SET, false);
    });
    if (p::SIM_TIME.value) {
        gf_trafficCommandState().lastSimTime.store(0);
        return;
    }
    const bool shifted = p::TIME_SHIFT_DAYS.value != p::TIME_SHIFT_DAYS.defaultValue ||
                         p::TIME_SHIFT_HOURS.value != p::TIME_SHIFT_HOURS.defaultValue ||
                         p::TIME_SHIFT_MINS.value != p::TIME_SHIFT_MINS.defaultValue;
    if (shifted) {
        gf_applyTimeShift(p_.windowContext, gf_timeShiftMinutes(), false, true);
    }
}

bool ProgramMainFlowSteps::readTypeDatabase() {
    gf_readDbase(p_.programFolder / gf_paths().dbaseEnc);
    return true;
}

std::optional<std::string> ProgramMainFlowSteps::readKnownAirports() {
    const Expected<std::size_t, std::string> read = gf_readAirportsFile();
    if (!read) {
        return read.error();
    }
    return std::nullopt;
}

bool ProgramMainFlowSteps::detectSimInstallPath() { return gf_detectSimInstallPath(p_.windowContext); }

void ProgramMainFlowSteps::setScanRunning(bool running) { p_.scanRunning.store(running); }

void ProgramMainFlowSteps::enablePrioritizeCheckBox(bool enable) {
    gf_runOnGuiThread([enable] { gf_enableControl(p::LIG_PRIORITIZE, enable); });
}

void ProgramMainFlowSteps::enableSkipLiveriesScanCheckBox(bool enable) {
    gf_runOnGuiThread([enable] { gf_enableControl(p::SKIP_LIVERIES_SCAN, enable); });
}

void ProgramMainFlowSteps::runAirportScan(const std::filesystem::path& stockAirportsPath) {
    p_.scanRunning.store(true);
    AirportScanContext context{p_.scanShell, gf_scanReferenceTables(), stockAirportsPath, std::string(kSupportAddress)};
    gf_scanAirports(context);
}

void ProgramMainFlowSteps::runLiveryScan() {
    p_.scanRunning.store(true);
    gf_scanLiveries(p_.modelsShell, LiveryPaths::under(p_.programFolder));
}

void ProgramMainFlowSteps::processScannedLiveries() {
    gf_processScannedLiveries(p_.modelsShell, p_.liveryViews, LiveryPaths::under(p_.programFolder));
}

std::optional<std::filesystem::path> ProgramMainFlowSteps::flightPlanFolder() { return p_.simLink.gf_flightPlanFolder(); }

bool ProgramMainFlowSteps::ensureFlightPlanFolder(const std::filesystem::path& folder) {
    return p_.simLink.gf_ensureFlightPlanFolder(folder);
}

bool ProgramMainFlowSteps::readMyParkAirportsFile() {
    gf_readMyParkAirportsFile();
    return true;
}

std::optional<KnownAirport> ProgramMainFlowSteps::findKnownAirport(const IcaoCode& code) {
    return gf_findKnownAirport(code);
}

void ProgramMainFlowSteps::setDestination(const KnownAirport& airport) {
    const WindowContext context = p_.windowContext;
    const std::string text = p::DESTINATION.value;
    const IcaoCode code = airport.icao;
    // The destination's controls belong to the GUI thread.
    gf_runOnGuiThread([context, text, code] { gf_setDestination(context, text, code); });
}

void ProgramMainFlowSteps::clearRtAppConnected() { p_.feedFlags.isRTAppConnected.store(false); }

void ProgramMainFlowSteps::initTraffic() {
    gf_initTraffic(p_.traffic);
    p_.beginSourceRun();
}

void ProgramMainFlowSteps::enableRtChoiceComboBox() {
    gf_runOnGuiThread([] { gf_enableControl(p::RT_CHOISE, true); });
}

bool ProgramMainFlowSteps::lf_startSimClient() { return p_.sourceStartup.lf_startSimClient(); }

bool ProgramMainFlowSteps::lf_startRTAppReaders() { return p_.sourceStartup.lf_startRTAppReaders(); }

bool ProgramMainFlowSteps::lf_startRTAPIReaders() { return p_.sourceStartup.lf_startRTAPIReaders(); }

// 255 until the simulator reported, then 0 airborne or 1 on the ground.
bool ProgramMainFlowSteps::userOnGround() { return p_.simLink.userOnGroundState() == 1; }

Lalo ProgramMainFlowSteps::userPosition() {
    const UserAircraftState user = p_.simLink.gf_getUserAircraft();
    return {user.latitude, user.longitude};
}

std::optional<KnownAirport> ProgramMainFlowSteps::findNearestAirport(const Lalo& position) {
    return gf_findNearestAirport(position, gf_readDestApfForClosestStand);
}

void ProgramMainFlowSteps::setParkAirport(const KnownAirport& airport) { gf_setCurrentParkAirport(airport); }

void ProgramMainFlowSteps::runSimulatorLoop() { gf_simulatorLoop(p_.traffic); }

void ProgramMainFlowSteps::closingDown() { p_.closingDown.run(); }

} // namespace kiv
