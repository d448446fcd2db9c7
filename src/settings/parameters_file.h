// "parameters.xml" in the data folder: the load at start that fills every registered
// setting (completing or rebuilding the file), the store of one changed setting, the removal
// of a key, and the safe save every writer ends with. The load runs on the main sequence
// before worker threads read settings; loads, stores and removals may come from the GUI
// thread and the main sequence and are serialised by one process-wide lock.
#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "foundation/version.h"
#include "settings/parameter.h"

namespace kiv {

// Loads the file into every registered setting. True when the file had to be written anew
// (missing, unreadable, or without a "parameters" section); false when an existing file was
// read, completed and saved again. `running` is recorded as PROGRAM_VERSION in a new file.
bool gf_loadParameters();
bool gf_loadParameters(const Version& running);

// Writes a new file from the current value of every registered setting (their defaults at a
// first start) with PROGRAM_VERSION set to the running version, in memory as well.
void gf_writeDefaultParameters();
void gf_writeDefaultParameters(const Version& running);

// The safe save: temporary file, read back, one ".bak" generation, durable atomic replace.
// False when the old file stayed in place. The writers above call it under the lock; a
// caller of its own must not run it beside them.
bool gf_saveParametersFile(pugi::xml_document& document);

// Writes the setting's current value into every element with its key (or appends one) and
// saves. A missing or unreadable file is first rebuilt from the current values of every
// setting. Failures are logged; the value in memory stays.
void gf_storeParameter(const BoolParameter& parameter);
void gf_storeParameter(const IntParameter& parameter);
void gf_storeParameter(const StringParameter& parameter);
void gf_storeParameter(const PathParameter& parameter);

// Clamps `value` into the setting's bounds, makes it current and stores it.
void gf_setAndStore(IntParameter& parameter, std::int32_t value);

// Removes the first element with the parameter's key and saves; true only when an element
// was removed and the save succeeded. A file without the key is not rewritten.
bool gf_removeParameter(const Parameter& parameter);

} // namespace kiv
