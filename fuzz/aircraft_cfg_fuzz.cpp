// The livery parser over arbitrary configuration files, read as an ordinary package and as an
// IVAO one beside a small type database: nothing may crash or throw, and every livery it gives
// must carry a title, an airline and a model, each title only once.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <list>
#include <set>
#include <string>

#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "models/aircraft_cfg_parser.h"
#include "models/scan_collections.h"
#include "models/type_database.h"
#include "test_support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabase = R"(<root>
  <aircrafts><aircraft types="A320,B738,B744,C172"/></aircrafts>
  <cargo_types><cargo_type types="B744"/></cargo_types>
  <heavy><hvy types="B744"/></heavy><large><lar types="A320,B738"/></large>
  <buzjet/><twoprops/><high_performance/><rotorcraft/>
  <ICAO_airlines><ICAO codes="DLH,CLH,BAW,ZZZ"/></ICAO_airlines>
  <cargo_operators><ICAO codes="BOX"/></cargo_operators>
  <fixes><fx wro="B38M" cor="B738"/></fixes>
  <dbase><d r="D-ABCD" a="BAW" o="CLH" m="A320"/><d r="D-EFG" a="DLH" m="C172"/><d r="D-NOMO" a="DLH"/></dbase>
</root>)";

void writeFile(const fs::path& path, const char* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
}

// Two package folders with the companions the corpus sections name, made once per process.
struct Packages {
    kiv::test_support::TempFolder temp;
    fs::path ordinary = temp.path() / "pkg" / "aircraft.cfg";
    fs::path ivao = temp.path() / "IVAO_MTL" / "IVAO_B738" / "aircraft.cfg";

    Packages() {
        for (const fs::path& cfg : {ordinary, ivao}) {
            const fs::path folder = cfg.parent_path();
            fs::create_directories(folder / "model");
            fs::create_directories(folder / "texture");
            fs::create_directories(folder / "MODEL.LH");
            fs::create_directories(folder / "texture.lh");
            for (const char* air : {"B738.air", "c172.AIR", "B744.air"}) {
                writeFile(folder / air, "", 0);
            }
        }
        const fs::path database = temp.path() / "dbase.enc";
        const kiv::DataFileKey key;
        const std::string sealed = kiv::datafile::encryptDataFile(kDatabase, key.bytes());
        writeFile(database, sealed.data(), sealed.size());
        kiv::gf_readDbase(database);
    }
};

void check(const std::list<kiv::Livery>& liveries, std::set<std::string>& titles) {
    for (const kiv::Livery& livery : liveries) {
        if (livery.title.empty() || kiv::lf_isIncompleteLivery(livery) || !titles.insert(livery.title).second) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Packages packages;
    kiv::lf_clearScanCollections();
    std::set<std::string> titles;
    const char* bytes = reinterpret_cast<const char*>(data);
    writeFile(packages.ordinary, bytes, size);
    writeFile(packages.ivao, bytes, size);
    check(kiv::lf_searchLiveriesinFile(1, packages.ordinary), titles);
    check(kiv::lf_searchLiveriesinIVAOFile(2, packages.ivao), titles);
    return 0;
}
