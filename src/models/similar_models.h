// Similar models: for a model without installed liveries, the closest models of its
// similar-types groups that have some, in general and per airline. Built on the main worker
// each time the scanned liveries are processed (after the livery tables), read only afterwards
// by the livery choice on the simulator-loop thread; no lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kiv {

using SimilarModels = std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>;
using AirlineSimilarModels = std::unordered_map<std::uint16_t, SimilarModels>;

// What the build asks of the installed liveries' tables.
class InstalledLiveryQueries {
public:
    virtual ~InstalledLiveryQueries() = default;
    // The model has passenger or cargo liveries.
    virtual bool hasModelLiveries(std::uint16_t modelId) const = 0;
    // The airline (or operator) has liveries of the model.
    virtual bool airlineHasModel(std::uint16_t airlineId, std::uint16_t modelId) const = 0;
    // Every airline id with liveries, ascending.
    virtual std::vector<std::uint16_t> airlineIds() const = 0;
};

// The letters and the digits of a code, each in their order; other characters are dropped.
struct LettersDigits {
    std::string letters;
    std::string digits;
};
LettersDigits lf_splitLettersDigits(std::string_view code);
// The decimal value of a digit text in wrapping 32-bit arithmetic; 0 when empty.
std::uint32_t lf_digitsNumber(std::string_view digits);

// Levenshtein distance of two byte strings, unit costs.
std::size_t lf_editDistance(std::string_view a, std::string_view b);

// The candidate closest to `model`: a single candidate is taken as it is; otherwise only
// candidates with the same letters and digits at most one edit apart, or codes at most one edit
// apart, qualify, ranked by letter, code and digit distance, number difference, then code.
std::optional<std::uint16_t> lf_closestModel(std::uint16_t model, const std::vector<std::uint16_t>& candidates);

// Rebuilds both tables from the type database's similar-types groups and logs their size.
void lf_buildSimilarModels(const InstalledLiveryQueries& liveries);

const SimilarModels& gf_similarModels();
const AirlineSimilarModels& gf_airlineSimilarModels();

} // namespace kiv
