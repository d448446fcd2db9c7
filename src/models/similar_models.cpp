#include "models/similar_models.h"

#include <algorithm>
#include <tuple>

#include <fmt/format.h>

#include "foundation/log.h"
#include "models/interned_codes.h"
#include "models/type_database.h"

namespace kiv {
namespace {

constexpr std::size_t kSimilarModelBuckets = 1024;

SimilarModels& similarModels() {
    static SimilarModels table;
    return table;
}

AirlineSimilarModels& airlineSimilarModels() {
    static AirlineSimilarModels table;
    return table;
}

struct Rank {
    std::size_t letters;
    std::size_t code;
    std::size_t digits;
    std::uint32_t numberGap;
    std::string text;

    friend bool operator<(const Rank& a, const Rank& b) {
        return std::tie(a.letters, a.code, a.digits, a.numberGap, a.text) <
               std::tie(b.letters, b.code, b.digits, b.numberGap, b.text);
    }
};

void collectGroupMembers(const InstalledLiveryQueries& liveries, SimilarModels& table) {
    for (const std::vector<std::string>& group : gf_similarTypeGroups()) {
        if (group.size() < 2) {
            continue;
        }
        for (const std::string& code : group) {
            std::vector<std::uint16_t> kept;
            for (const std::string& other : group) {
                if (other == code) {
                    continue;
                }
                const std::uint16_t id = gf_modelId(other);
                if (liveries.hasModelLiveries(id)) {
                    kept.push_back(id);
                }
            }
            if (kept.empty()) {
                continue;
            }
            // A code in several groups collects the members of all of them, without repeats.
            std::vector<std::uint16_t>& list = table[gf_modelId(code)];
            for (const std::uint16_t id : kept) {
                if (std::find(list.begin(), list.end(), id) == list.end()) {
                    list.push_back(id);
                }
            }
        }
    }
}

void buildAirlineEntries(const InstalledLiveryQueries& liveries, const SimilarModels& table,
                         AirlineSimilarModels& perAirline) {
    const std::vector<std::uint16_t> airlines = liveries.airlineIds();
    perAirline.reserve(airlines.size());
    for (const std::uint16_t airline : airlines) {
        SimilarModels entries;
        for (const auto& [model, list] : table) {
            if (liveries.airlineHasModel(airline, model)) {
                continue;
            }
            std::vector<std::uint16_t> own;
            for (const std::uint16_t id : list) {
                if (liveries.airlineHasModel(airline, id)) {
                    own.push_back(id);
                }
            }
            if (own.empty()) {
                continue;
            }
            if (const std::optional<std::uint16_t> closest = lf_closestModel(model, own)) {
                own.assign(1, *closest);
            }
            entries.emplace(model, std::move(own));
        }
        if (!entries.empty()) {
            perAirline.emplace(airline, std::move(entries));
        }
    }
}

} // namespace

LettersDigits lf_splitLettersDigits(std::string_view code) {
    LettersDigits parts;
    for (const char c : code) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            parts.letters += c;
        } else if (c >= '0' && c <= '9') {
            parts.digits += c;
        }
    }
    return parts;
}

std::uint32_t lf_digitsNumber(std::string_view digits) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::size_t lf_editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::optional<std::uint16_t> lf_closestModel(std::uint16_t model, const std::vector<std::uint16_t>& candidates) {
    if (candidates.empty()) {
        return std::nullopt;
    }
    if (candidates.size() == 1) {
        return candidates.front();
    }
    const std::string code = gf_modelCode(model);
    const LettersDigits parts = lf_splitLettersDigits(code);
    const std::uint32_t number = lf_digitsNumber(parts.digits);
    std::optional<std::uint16_t> best;
    std::optional<Rank> bestRank;
    for (const std::uint16_t candidate : candidates) {
        std::string text = gf_modelCode(candidate);
        const LettersDigits other = lf_splitLettersDigits(text);
        const std::size_t letters = lf_editDistance(parts.letters, other.letters);
        const std::size_t whole = lf_editDistance(code, text);
        const std::size_t digits = lf_editDistance(parts.digits, other.digits);
        if (!((letters == 0 && digits <= 1) || whole <= 1)) {
            continue;
        }
        const std::uint32_t otherNumber = lf_digitsNumber(other.digits);
        const std::uint32_t gap = otherNumber > number ? otherNumber - number : number - otherNumber;
        Rank rank{letters, whole, digits, gap, std::move(text)};
        // On a completely equal rank the earlier candidate stays.
        if (!bestRank || rank < *bestRank) {
            bestRank = std::move(rank);
            best = candidate;
        }
    }
    return best;
}

void lf_buildSimilarModels(const InstalledLiveryQueries& liveries) {
    SimilarModels& table = similarModels();
    AirlineSimilarModels& perAirline = airlineSimilarModels();
    table.clear();
    perAirline.clear();
    table.reserve(kSimilarModelBuckets);

    collectGroupMembers(liveries, table);
    if (table.empty()) {
        gf_logLine("No similar model definitions with installed liveries found");
        return;
    }
    // The closest model of each list, applied only after the per-airline entries are made from
    // the whole lists.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> closest;
    for (const auto& [model, list] : table) {
        if (const std::optional<std::uint16_t> id = lf_closestModel(model, list)) {
            closest.emplace_back(model, *id);
        }
    }
    buildAirlineEntries(liveries, table, perAirline);
    gf_logLine(fmt::format("{:5} similar model definitions", table.size()));
    for (const auto& [model, id] : closest) {
        table[model].assign(1, id);
    }
}

const SimilarModels& gf_similarModels() { return similarModels(); }
const AirlineSimilarModels& gf_airlineSimilarModels() { return airlineSimilarModels(); }

} // namespace kiv
