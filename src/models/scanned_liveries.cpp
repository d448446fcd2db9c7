#include "models/scanned_liveries.h"

#include <stdexcept>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "models/livery_categories.h"
#include "models/livery_records.h"
#include "models/livery_store.h"
#include "models/livery_tables.h"
#include "models/regcode_merge.h"
#include "models/similar_models.h"

namespace kiv {

void gf_processScannedLiveries(ModelsShell& shell, const LiveryViewHolders& traffic, const LiveryPaths& paths) {
    // Aircraft records and sticky liveries point into the titles that a rebuild frees.
    if (traffic.holdsLiveryViews() || gf_hasStickyLiveries()) {
        throw std::logic_error("the livery tables must not be rebuilt before the traffic is reset");
    }
    gf_logLine("\n+++++ processing scanned liveries +++++");
    LiveryTables& tables = gf_liveryTables();
    lf_clearLiveryTables(tables);
    std::vector<Livery> liveries;
    if (!lf_readLiveriesScanned(paths.store, liveries)) {
        throw std::runtime_error(fmt::format("{} could not be read completely", gf_pathToUtf8(paths.store)));
    }
    lf_buildLiveryTables(liveries, shell, paths);
}

void lf_buildLiveryTables(std::vector<Livery>& liveries, ModelsShell& shell, const LiveryPaths& paths) {
    LiveryTables& tables = gf_liveryTables();
    lf_clearLiveryTables(tables);
    shell.postLiveryCount(liveries.size());
    // Every view below is taken only once airlineLiveries, which owns the titles, is complete.
    lf_buildAirlineTables(liveries, tables);
    lf_buildTitleIndex(tables);
    gf_logLine(fmt::format("{:5} livery titles", tables.titleIndex.size()));
    lf_buildAirlineModelTables(tables);
    lf_processInlineRegcodes(liveries, tables, paths);
    lf_processOfflineRegcodes(tables, paths);
    gf_logLine(fmt::format("{:5} registration codes", tables.regcodeLiveries.size()));
    lf_createModelSorted(tables);
    gf_logLine(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models",
                           tables.airlineLiveries.size(), tables.modelLiveries[kPassengerTable].size(),
                           tables.modelLiveries[kCargoTable].size()));
    lf_buildSimilarModels(InstalledLiveries(tables));
    gf_logLine(" ");
    for (const SizeClass sizeClass : {SizeClass::Heavy, SizeClass::Large, SizeClass::Bizjet, SizeClass::TwoProps,
                                      SizeClass::Light, SizeClass::Rotorcraft, SizeClass::HighPerf}) {
        lf_buildCategories(sizeClass, tables);
    }
    lf_buildGenericLiveries(tables);
    shell.postRepaint(kRepaintStatusBand);
    std::vector<Livery>().swap(liveries);
    gf_logLine("----- end of processing scanned liveries ------\n");
}

} // namespace kiv
