#include "traffic/detail/aircraft_class_tables.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace kiv::detail {
namespace {

// Sorted, so that membership is a binary search.
constexpr std::array<std::string_view, 204> kLightSingleTypes = {
    "A210", "A5",   "AA1",  "AA5",  "AAT3", "AFOX", "ALGR", "AP22", "AP32", "ARCP", "AS02", "AS16", "ASTO", "BE23",
    "BE24", "BE33", "BE35", "BE36", "BEAR", "BL8",  "BR23", "BREZ", "BT36", "BTB2", "C140", "C150", "C152", "C162",
    "C170", "C172", "C175", "C177", "C180", "C182", "C185", "C206", "C207", "C210", "C42",  "C72R", "C77R", "C82R",
    "C82S", "C82T", "CC11", "CC19", "CTAH", "D140", "D28D", "D7",   "DA2",  "DA40", "DA50", "DIMO", "DO27", "DR22",
    "DR40", "DV1",  "DV20", "ECHO", "EFOX", "ELPS", "ERCO", "EUPA", "EV97", "EVOT", "EVSS", "EXNG", "F8L",  "FDCT",
    "FDF2", "FK14", "FK9",  "FM25", "FOX",  "G115", "G120", "G200", "G70",  "GA8",  "GB1",  "GLAS", "GX",   "HROC",
    "HUSK", "IMPU", "J3",   "JAB4", "JABI", "JAS4", "KP2",  "KP5",  "KR30", "M108", "M18",  "M200", "M20P", "M20T",
    "M5",   "M7",   "MCR1", "MCR4", "MJ5",  "MP02", "NG4",  "NG5",  "P149", "P208", "P210", "P28A", "P28B", "P28R",
    "P28S", "P28T", "P28U", "P32R", "PA18", "PA22", "PA24", "PA25", "PA32", "PA38", "PA46", "PARA", "PETR", "PIAT",
    "PIPA", "PISI", "PIVI", "PL2",  "PNR2", "PNR3", "PRIM", "PTS2", "R200", "RALL", "RBEL", "RF5",  "RF6",  "RISN",
    "RS21", "RV10", "RV12", "RV14", "RV4",  "RV6",  "RV7",  "RV8",  "RV9",  "S108", "S22T", "SAVG", "SE1",  "SF25",
    "SHRK", "SIRA", "SKAR", "SKRA", "SLG2", "SLG4", "SLH4", "SNGY", "SONX", "SR20", "SR22", "SSTL", "STCH", "STOR",
    "SUBA", "SVNH", "T206", "T210", "T34P", "TAGO", "TAIL", "TAMP", "TB20", "TB21", "TEX2", "TEXA", "TL20", "TL30",
    "TOBA", "TRAL", "TRF1", "TRIN", "TRIS", "TUCA", "TUCR", "U15",  "ULAC", "VENT", "VEZE", "VL3",  "VR7",  "VTRA",
    "WACO", "WFOC", "WT9",  "XA41", "XL2",  "Z42",  "Z43",  "ZEPH",
};

constexpr std::array<std::string_view, 22> kPistonTwinTypes = {
    "B58T", "BE55", "BE58", "BE76", "C310", "C337", "C340", "DA42", "DA62", "G21",  "G44",
    "GA7",  "L200", "P06T", "P337", "P68",  "PA23", "PA27", "PA30", "PA31", "PA34", "PA44",
};

constexpr std::array<std::string_view, 46> kRegionalTypes = {
    "AN24", "AT43", "AT44", "AT45", "AT46", "AT72", "AT73", "AT75", "AT76", "B190", "CRJ1", "CRJ2",
    "CRJ7", "CRJ9", "CRJX", "D328", "DH8A", "DH8B", "DH8C", "DH8D", "DHC6", "DHC7", "E110", "E120",
    "E135", "E145", "E170", "E190", "E195", "E290", "E295", "E35L", "E75L", "E75S", "F100", "F28",
    "F50",  "F70",  "J328", "JS41", "RJ70", "RJ85", "SB20", "SF34", "SH36", "SU95",
};

static_assert(std::is_sorted(kLightSingleTypes.begin(), kLightSingleTypes.end()));
static_assert(std::is_sorted(kPistonTwinTypes.begin(), kPistonTwinTypes.end()));
static_assert(std::is_sorted(kRegionalTypes.begin(), kRegionalTypes.end()));

template <std::size_t N> bool contains(const std::array<std::string_view, N>& sorted, std::string_view code) {
    return std::binary_search(sorted.begin(), sorted.end(), code);
}

const std::unordered_map<std::uint32_t, ClassRow>& classTable() {
    // Columns: CG height ft, angle 1 deg, angle 2 deg, rate deg, values 1-4, live factor, live rate.
    static const std::unordered_map<std::uint32_t, ClassRow> table = {
        {0, {3.0, -9.0, -15.0, 0.15, 250, 250, 100, 150, 0.5, 4.0}},
        {1, {5.0, -8.5, -17.0, 0.1, 275, 275, 150, 200, 0.6, 3.5}},
        {2, {5.0, -8.0, -18.0, 0.09, 300, 300, 200, 250, 0.75, 3.5}},
        {3, {8.0, -6.0, -16.5, 0.07, 400, 350, 200, 300, 0.6, 3.0}},
        {4, {12.0, -5.0, -12.5, 0.05, 450, 450, 250, 400, 0.5, 2.0}},
        {5, {4.0, -6.0, -20.0, 0.1, 150, 150, 100, 200, 1.0, 4.5}},
        {6, {4.0, -20.0, -30.0, 0.2, 100, 100, 100, 100, 0.75, 5.0}},
    };
    return table;
}

} // namespace

const ClassRow& classRow(SizeClass sizeClass) { return classTable().at(static_cast<std::uint32_t>(sizeClass)); }

bool isLightSingleType(std::string_view code) { return contains(kLightSingleTypes, code); }
bool isPistonTwinType(std::string_view code) { return contains(kPistonTwinTypes, code); }
bool isRegionalType(std::string_view code) { return contains(kRegionalTypes, code); }

} // namespace kiv::detail
