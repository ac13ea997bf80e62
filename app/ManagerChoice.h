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

// The windows' start-up in one call: the choice on the command line
// ("--manager sg" or "--manager=sg"), else MARROWLIGHT_ASPI when it is set,
// else the saved setting, else the simulated bus. Its result is that of
// ApplyManagerChoice for the choice that counts.
bool ApplyStartupManagerChoice(int argc, char** argv, std::string_view setting, std::string* error);

// The value of --manager on a command line; empty when it is not there.
std::string ManagerChoiceFromArguments(int argc, char** argv);
