// The learning folder "tblo": copies of the generated airport files of add-on airports that
// the traffic service supports this week, zipped into "tblo/tblo.zip" for the user to mail
// to the maker, with the support address beside it. Used by the thread that runs the scan.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace kiv {

class ScanReferenceTables;
class ScanShell;
class ZipArchive;

// Copy the weekly-supported airport files of "airports/my_simaddon" / "my_thirdparty" into
// "tblo" (never "VHHX"); a copied file with a link file beside it leaves the output folder.
void lf_copySimaddonsToTblo(const ScanReferenceTables& tables);
void lf_copyThirdPartiesToTblo(const ScanReferenceTables& tables);

// Zips "tblo" when it holds files, writes "email address.txt" and offers the archive to the
// user (support hint, Tblo button); the copies are removed only once the zip is whole.
void lf_zipTblo(ScanShell& shell, std::string_view supportAddress);

// Packs the regular files directly in "tblo" into a new zip at `target`; true when the
// archive was written with at least one file.
bool lf_zipFolder(const std::filesystem::path& target);
bool lf_closeZip(ZipArchive& archive, const std::filesystem::path& target, std::size_t filesAdded);

} // namespace kiv
