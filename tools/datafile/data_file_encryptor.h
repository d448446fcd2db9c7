// Encrypting plain data into the framing of the program's ".enc" files: a secretstream
// header, then 4096-byte messages, the last one (possibly empty) tagged final.
// Pure functions: any thread.
#pragma once

#include <string>
#include <string_view>

#include "foundation/data_file_key.h"

namespace kiv::datafile {

// The whole content of an ".enc" file for `plaintext`.
std::string encryptDataFile(std::string_view plaintext, DataFileKeyView key);

} // namespace kiv::datafile
