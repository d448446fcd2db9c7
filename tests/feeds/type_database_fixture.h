// The small type database the feeds tests convert records against, read through the models
// subsystem's own reader from an encrypted file made for the test.
#pragma once

#include "models/interned_codes.h"
#include "models/models_fixtures.h"
#include "models/type_database.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

inline void installFeedsTypeDatabase() {
    resetModelTables();
    const std::string sections = R"(
      <cargo_types><cargo_type types="B77F"/></cargo_types>
      <heavy><hvy types="B777,B77F"/></heavy>
      <large><lar types="A320"/></large>
      <rotorcraft><rot types="EC35"/></rotorcraft>
      <cargo_operators><ICAO codes="FDX"/></cargo_operators>
      <fixes><fx wro="A32O" cor="A320"/></fixes>
      <dbase>
        <d r="D-AIAB" a="DLH" m="A320"/>
        <d r="HBJNA" a="SWR" o="EDW" m="A320"/>
      </dbase>
    )";
    const TempFolder folder;
    const std::filesystem::path path = folder.path() / "dbase.enc";
    writeEncryptedXml(path, dbaseXml("A320,B777,B77F,EC35,C172", "DLH,SWR,EDW,FDX,EWG", sections));
    gf_readDbase(path);
}

} // namespace kiv::test_support
