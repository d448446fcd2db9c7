// velt_p3d: the program's entry. It runs from its own folder; "--production" makes the run a
// command-line job; the data folder ("parameters.xml") is $VELT_P3D_DATA_DIR when set, else
// the user's configuration folder joined with "VELT_P3D".
#include <string>
#include <vector>

#include "app/process_entry.h"
#include "app/program_window.h"
#include "settings/data_folder.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const std::filesystem::path dataFolder = kiv::gf_dataFolder();
    kiv::ProgramHost host(".", kiv::gf_fltkToolkit());
    return kiv::gf_processEntry(arguments, dataFolder, kiv::gf_instanceLockPath(dataFolder), host,
                                kiv::gf_shellFlags());
}
