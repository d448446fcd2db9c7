#include "models/interned_codes.h"

#include <mutex>

#include <fmt/format.h>

#include "foundation/log.h"

namespace kiv {

CodeTable::CodeTable(std::string_view kind) : kind_(kind) {}

std::uint16_t CodeTable::intern(std::string_view code) {
    {
        std::shared_lock lock(mutex_);
        if (const auto it = ids_.find(code); it != ids_.end()) {
            return it->second;
        }
    }
    std::unique_lock lock(mutex_);
    // Another thread may have added it between the two locks.
    if (const auto it = ids_.find(code); it != ids_.end()) {
        return it->second;
    }
    if (fixesActive_) {
        if (const auto fix = fixes_.find(code); fix != fixes_.end()) {
            if (const auto it = ids_.find(fix->second); it != ids_.end()) {
                return it->second;
            }
        }
    }
    return appendLocked(code);
}

std::uint16_t CodeTable::appendLocked(std::string_view code) {
    if (codes_.size() >= kMaxInternedCodes) {
        // An id must never wrap onto another code; id 0 (none) is the honest answer.
        if (!overflowLogged_) {
            overflowLogged_ = true;
            gf_logImportant(
                fmt::format("The {} code table is full ({} codes): '{}' and every later new {} code get id 0", kind_,
                            kMaxInternedCodes, code, kind_));
        }
        return 0;
    }
    const auto id = static_cast<std::uint16_t>(codes_.size());
    codes_.emplace_back(code);
    ids_.emplace(codes_.back(), id);
    return id;
}

std::string CodeTable::codeOf(std::uint16_t id) const {
    std::shared_lock lock(mutex_);
    return id < codes_.size() ? codes_[id] : std::string{};
}

std::size_t CodeTable::size() const {
    std::shared_lock lock(mutex_);
    return codes_.size();
}

void CodeTable::setFixes(ModelFixes fixes) {
    std::unique_lock lock(mutex_);
    fixes_ = std::move(fixes);
}

void CodeTable::setFixesActive(bool active) {
    std::unique_lock lock(mutex_);
    fixesActive_ = active;
}

void CodeTable::clearForTesting() {
    std::unique_lock lock(mutex_);
    codes_.clear();
    ids_.clear();
    fixes_.clear();
    fixesActive_ = false;
    overflowLogged_ = false;
}

CodeTable& gf_airlineCodeTable() {
    static CodeTable table("airline");
    return table;
}

CodeTable& gf_modelCodeTable() {
    static CodeTable table("model");
    return table;
}

std::uint16_t gf_airlineId(std::string_view code) { return gf_airlineCodeTable().intern(code); }
std::uint16_t gf_modelId(std::string_view code) { return gf_modelCodeTable().intern(code); }
std::uint16_t gf_modelIdOf(std::string_view code) { return gf_modelId(code); }

std::string gf_airlineCode(std::uint16_t id) { return gf_airlineCodeTable().codeOf(id); }
std::string gf_modelCode(std::uint16_t id) { return gf_modelCodeTable().codeOf(id); }

void gf_setModelFixes(ModelFixes fixes) { gf_modelCodeTable().setFixes(std::move(fixes)); }
void gf_setModelFixesActive(bool active) { gf_modelCodeTable().setFixesActive(active); }

void gf_resetInternedCodesForTesting() {
    gf_airlineCodeTable().clearForTesting();
    gf_modelCodeTable().clearForTesting();
}

} // namespace kiv
