#!/usr/bin/env python3
"""Writes the sample livery folder: one AI package per model with an aircraft.cfg that has a
livery section per airline, an empty flight model "plane.air" and empty "model" and
"texture" folders, as the livery scan expects of an installed package. Usage:

    python3 data/tools/make_demo_liveries.py <livery folder>
"""
import os
import sys

PACKAGES = {
    "B738": ["KLM", "TRA", "RYR"],
    "B789": ["KLM"],
    "B77W": ["KLM", "UAE"],
    "B744": ["MPH"],
    "A320": ["EZY", "DLH", "BAW", "AFR"],
    "A321": ["DLH", "BAW"],
    "E190": ["KLC"],
    "E195": ["KLC"],
    "DH8D": [""],
    "C172": [""],
}


def write_package(folder, model, airlines):
    package = os.path.join(folder, f"Demo_{model}")
    os.makedirs(os.path.join(package, "model"), exist_ok=True)
    os.makedirs(os.path.join(package, "texture"), exist_ok=True)
    open(os.path.join(package, "plane.air"), "wb").close()
    lines = ["[General]", f"atc_model={model}", ""]
    for index, airline in enumerate(airlines):
        owner = airline or "Private"
        lines += [f"[fltsim.{index}]", f"title=Demo {model} {owner}", "sim=plane", "model=", "texture=",
                  f"atc_parking_codes={airline}", ""]
    with open(os.path.join(package, "aircraft.cfg"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for model, airlines in PACKAGES.items():
        write_package(folder, model, airlines)


if __name__ == "__main__":
    main()
