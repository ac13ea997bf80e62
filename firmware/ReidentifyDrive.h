// SPDX-License-Identifier: GPL-3.0-or-later
// After a firmware update the drive restarts with its new firmware: the bus
// is rescanned, the drive is polled until it answers again, and it is
// identified anew. The device object is replaced through the factory when
// the drive now calls for another class (a QXW-7100 that moved between the
// first and the later generation).
#pragma once

#include <functional>
#include <memory>
#include <string>

class SCSIDEV;
class UpdateSession;

// Asks every host adapter for a rescan, 2000 ms after each, with the busy
// cursor meanwhile.
void RescanAdapters();

// Polls the drive with TEST UNIT READY every 3000 ms. An answer that says
// the drive is back (ready, or no disc in it) ends the wait when whenBack()
// agrees; a drive that is still busy (becoming ready, not answering) is
// polled for a minute, then the retry question is asked. False when the
// person (or the retry limit) gives up.
bool WaitForDrive(UpdateSession& session, SCSIDEV& device, const std::function<bool()>& whenBack);

// The re-identification that ends an update. The device line shows "Now
// getting inquiry data..." meanwhile and the writer afterwards. False when
// the drive did not come back.
bool ReidentifyDrive(UpdateSession& session, std::unique_ptr<SCSIDEV>& writer);
