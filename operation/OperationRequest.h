// SPDX-License-Identifier: GPL-3.0-or-later
// OperationRequest: everything an operation needs, as a front end fills it
// in from what a person chose: the operation, the source and destination
// sides (a device or an image file each) and the facts of the source volume
// that CheckHeader found. The windows and the headless front end build one
// and run a TOperationThread on it; neither decides more than that.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operation/Operation.h"
#include "transfer/Endpoint.h"
#include "volume/CheckHeader.h"

class SCSIDEV;

// What a verify against a record compares the disc's volume with.
struct ExpectedVolume {
  std::string sha256;      // 64 lower-case hexadecimal digits
  std::string recordFile;  // the record it came from; empty for a digest given by hand
};

struct OperationRequest {
  Operation operation = Operation::TestOnly;
  // The pattern operation: the destination is the writer, there is no
  // source, and the size is the volume size the dialog holds when it starts.
  bool pattern = false;
  Endpoint source;
  Endpoint destination;
  VolumeInfo volume;  // name, size, sectors and offset (the source start)
  // A verify (Operation::VerifyDisc) of the destination against a digest
  // instead of a source: the source is empty, the volume size is the
  // recorded one.
  std::optional<ExpectedVolume> expected;
  // Where the operation's disc record goes: empty for a new file in the
  // records folder.
  std::string recordFile;
  // The writer's medium takes a test write; false for a DVD+R, whose dialog
  // lists no test operations.
  bool testWriteOffered = true;
  // A writer's disc is ejected at the end of the operation; false leaves the
  // disc of the last step in the drive (unlocked).
  bool ejectWhenDone = true;
  // The person has already agreed to write over the destination file (the
  // file chooser asked): the copy does not ask again.
  bool overwriteAgreed = false;

  static OperationRequest Pattern(Operation operation, SCSIDEV& writer);
};

// Replaces the volume size that the check chose (and its sector count).
void OverrideVolumeSize(VolumeInfo& volume, uint64_t bytes);

// The check before an operation is started: a source and a destination that
// are the same file (the same text) or the same device are refused with a
// box. True when the two sides may be used.
bool SidesDiffer(const OperationRequest& request);

// What the operation's passes do with the drive on the disc side: they write
// it for a test, write or copy onto it, and read it for a verify or a copy
// from it.
struct DiscSideUse {
  bool writes = false;
  bool reads = false;
};
DiscSideUse DiscSideUseOf(const OperationRequest& request);
