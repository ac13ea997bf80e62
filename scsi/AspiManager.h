// SPDX-License-Identifier: GPL-3.0-or-later
// The SCSI manager of the process: found, loaded and checked once, then used
// by every request channel until the process ends (it is never unloaded).
//
// The manager is the shared library a front end chose, or the one named by
// MARROWLIGHT_ASPI (a path), or libwnaspi32.so in the program's folder. It
// must export both entry points of host/aspi/AspiSrb.h; a library that lacks
// one counts as not found. A manager that exports the optional log sink entry
// point gets a function that adds lines to the log, before its support query.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/aspi/AspiSrb.h"
#include "host/aspi/ScsiVocabulary.h"

// The two callers of the loader differ in a few texts and in what they keep.
enum class AspiLoadForm {
  StartCheck,  // IsAspiReady, before the device scans
  Object,      // construction of every ASPI32
};

// Result of LoadAspiManager when the manager loaded but reported that it is
// not ready.
inline constexpr int kAspiNotInitialised = 0xE400;

// 0 when the manager is available (now or from an earlier call), -1 when it
// was not found (the message box and trace have been given),
// kAspiNotInitialised when its support query did not report SS_COMP. The
// Object form stores the support query's result in *supportInfo when given.
int LoadAspiManager(AspiLoadForm form, int32_t* supportInfo = nullptr);

// The start check: true when LoadAspiManager in its StartCheck form gives 0.
bool IsAspiReady();

// The manager's send entry point, or nullptr while no manager is available.
aspi::SendCommandFn AspiSendFunction();

// The manager's optional hold entry point, or nullptr (host/aspi/AspiSrb.h).
aspi::HoldUnitFn AspiHoldFunction();

// The address of the unit behind a device node ("/dev/sg1", "/dev/sr0"),
// as the manager says (loading it first); nothing when the manager has no
// such unit or cannot tell (the simulated bus).
std::optional<aspi::ScsiAddress> AspiUnitAtNode(const std::string& path);

// The manager's file name when nothing else is chosen: the simulated bus
// built beside the program.
inline constexpr const char* kDefaultManagerFile = "libwnaspi32.so";

// Where the manager is looked for: the path a front end chose, else
// MARROWLIGHT_ASPI, else kDefaultManagerFile in the program's folder.
std::string AspiManagerPath();

// The path a front end chose (app/ManagerChoice.h); empty forgets the
// choice. It counts from the next load, so it is set before the first scan.
void SetAspiManagerPath(const std::string& path);

// True once a manager has been loaded (and, outside tests, for good).
bool IsAspiManagerLoaded();

// The loaded manager broke its contract: true the first time since it was
// loaded, so that the person is told once, not at every request.
bool NoteManagerFault();
// Whether the loaded manager has broken its contract.
bool ManagerFaultNoted();

// Test only: forgets the loaded manager and unloads it, so that the next load
// starts from scratch (with whatever MARROWLIGHT_ASPI then names). No request
// channel may be in use while this runs.
void ResetAspiManagerForTesting();
