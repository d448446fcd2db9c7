// The two settings that foundation code reads. They live in the published settings and
// traffic-source snapshots, which the settings subsystem above owns: it installs a reader
// for each at start-up. Until then a fresh snapshot's defaults apply. Any thread.
#pragma once

namespace kiv {

using SettingFlagReader = bool (*)();

// RANDOM: whether random choices are drawn at all (default on). nullptr: back to the default.
void gf_installRandomFlagReader(SettingFlagReader reader);
bool gf_randomFlag();

// Whether the traffic source in use is RT Direct, the HTTPS interface (default: yes, as the
// fresh traffic-source snapshot is not "RT App"). nullptr: back to the default.
void gf_installRtDirectReader(SettingFlagReader reader);
bool gf_isRtDirectSource();

} // namespace kiv
