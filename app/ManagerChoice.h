// SPDX-License-Identifier: GPL-3.0-or-later
// ManagerChoice: which SCSI manager the program loads, as a person chooses it
// on the command line or in the settings.
//
//   "sim"  the simulated SCSI bus built with the program (libwnaspi32.so
//          beside the executable); what runs when nothing is chosen
//   "sg"   real drives and disks through Linux SCSI generic
//          (libmarrowlight-sg.so beside the executable)
//   other  the path of a manager library (relative to the current folder)
//
// Contract for the front ends: call ApplyManagerChoice once, at start-up,
// before the first scan (before anything builds an ASPI32 or calls
// IsAspiReady); the manager is loaded once and kept. An empty choice leaves
// what was in force: MARROWLIGHT_ASPI when it is set, else the simulated bus.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// One named choice, for a settings list.
struct ManagerOption {
  const char* name;         // what the person types or picks: "sim", "sg"
  const char* file;         // the library beside the executable
  const char* description;  // one line for a list or a help text
};

std::span<const ManagerOption> ManagerOptions();

// The library a choice stands for: a named manager beside the executable, or
// the choice itself made absolute. Nothing for an empty choice.
std::optional<std::string> ManagerLibraryFor(std::string_view choice);

// True when the library a choice stands for exists (an empty choice always
// does); otherwise false with a message in *error for the person. The
// settings check a choice with it before they keep it.
bool ManagerChoiceExists(std::string_view choice, std::string* error);

// Makes the choice the manager of the process. False, with a message in
// *error for the person, when the library does not exist or a manager is
// already loaded; nothing changes then.
bool ApplyManagerChoice(std::string_view choice, std::string* error);

// What runs when nothing is chosen: an installed program (its folder holds
// the file kInstalledMarker, which `cmake --install` and the Debian package
// put there) on a machine with SCSI generic units (sysfsRoot/class/
// scsi_generic is not empty) takes "sg"; a build tree, and a machine without
// such units, the simulated bus ("").
inline constexpr const char* kInstalledMarker = "installed-manager-default";
std::string DefaultManagerChoice(const std::string& programDir, const std::string& sysfsRoot = "/sys");

// ApplyManagerChoice for a choice that may be empty: an empty one leaves
// MARROWLIGHT_ASPI when it is set, else takes DefaultManagerChoice for this
// program.
bool ApplyManagerChoiceOrDefault(std::string_view choice, std::string* error);

// The windows' start-up in one call: the choice on the command line
// ("--manager sg" or "--manager=sg"), else MARROWLIGHT_ASPI when it is set,
// else the saved setting, else the default above. Its result is that of
// ApplyManagerChoice for the choice that counts.
bool ApplyStartupManagerChoice(int argc, char** argv, std::string_view setting, std::string* error);

// True when the loaded manager is the simulated bus (its adapter calls
// itself "MARROWLIGHT SIM"): the front ends then say "simulated drives", so
// nobody takes an emulated drive for a real one.
bool SimulatedDrives();
inline constexpr const char* kSimulatedDrivesLabel = "simulated drives";

// The value of --manager on a command line; empty when it is not there.
std::string ManagerChoiceFromArguments(int argc, char** argv);
