// The two process-wide interning tables that turn airline and model (type) codes into dense
// 16-bit ids and back, and the model-code fixes that interning applies once the type database
// has been read. The tables own their state behind a reader/writer lock: the feed threads,
// the simulator loop and the simulator-link thread may intern and read codes at any time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/fnv1a.h"

namespace kiv {

// Ids are u16: a table holds at most this many codes (ids 0 .. 65535).
inline constexpr std::size_t kMaxInternedCodes = 65536;

// Wrong model code -> correct model code (the type database's fixes section).
using ModelFixes = std::map<std::string, std::string, std::less<>>;

// One append-only table: a code's id is its position in the list; codes are kept exactly as
// given (case-sensitive, untrimmed). Once full, a new code gets id 0 (the empty code) and the
// first such code is logged. Every member may be called from any thread.
class CodeTable {
public:
    explicit CodeTable(std::string_view kind);
    CodeTable(const CodeTable&) = delete;
    CodeTable& operator=(const CodeTable&) = delete;

    // The code's id; a new code is first tried through the fixes (when active), then appended.
    std::uint16_t intern(std::string_view code);
    // A copy of the code of `id`; the empty text for an id beyond the list.
    std::string codeOf(std::uint16_t id) const;
    std::size_t size() const;

    // The fixes that intern() applies to codes it does not hold yet, and whether it applies them.
    void setFixes(ModelFixes fixes);
    void setFixesActive(bool active);

    // Empties the table and forgets the fixes (tests only: ids handed out become meaningless).
    void clearForTesting();

private:
    std::uint16_t appendLocked(std::string_view code);

    const std::string kind_;
    mutable std::shared_mutex mutex_;
    std::vector<std::string> codes_;
    std::unordered_map<std::string, std::uint16_t, Fnv1aTextHash, std::equal_to<>> ids_;
    ModelFixes fixes_;
    bool fixesActive_ = false;
    bool overflowLogged_ = false;
};

CodeTable& gf_airlineCodeTable();
CodeTable& gf_modelCodeTable();

// The id of an ICAO airline code; a new code is appended and gets the next id.
std::uint16_t gf_airlineId(std::string_view code);
// The id of an ICAO model code; a new code is first replaced by its fixed code when the fixes
// are active and the fixed code is already interned (the wrong code is then not added).
std::uint16_t gf_modelId(std::string_view code);
// gf_modelId as a plain one-argument function, for callers that pass it around.
std::uint16_t gf_modelIdOf(std::string_view code);

// The code text of an id ("" for id 0 and for ids beyond the table).
std::string gf_airlineCode(std::uint16_t id);
std::string gf_modelCode(std::uint16_t id);

// The fix step of gf_modelId: the type database hands over its fixes and switches the step on
// as soon as its known model codes are interned; program start switches it off.
void gf_setModelFixes(ModelFixes fixes);
void gf_setModelFixesActive(bool active);

// Empties both tables and switches the fixes off (tests only).
void gf_resetInternedCodesForTesting();

} // namespace kiv
