// SPDX-License-Identifier: GPL-3.0-or-later
// StartActions: the start buttons of the main window and its Write Pattern
// item, as core logic. Each turns what the page shows (the radio, the device
// of the selected item, the file edit) into an operation request: it asks for
// a missing file name, checks the source volume with CheckHeader under the
// busy cursor and refuses the same file (or device) on both sides. The
// window hands the request to the operation dialog; nothing comes back when
// the action ended (a No, a cancelled choice, a failed check, a refusal or a
// missing device), and whatever had to be said has been said in a box.
//
// The open-file dialog is shared by the three Browse buttons and the
// questions for a missing name: its file name is the last one chosen in it,
// and a question answered Yes then cancelled takes that name.
#pragma once

#include <optional>
#include <string>

#include "host/ui/MessageBox.h"
#include "operation/OperationRequest.h"

class SCSIDEV;
class VolSizeChoice;

// One side of a page as the person left it.
struct PageSide {
  bool isFile = false;        // the "[FILE]" radio is chosen
  SCSIDEV* device = nullptr;  // the device of the selected item; none for "Not Available"
  std::string fileName;       // the file edit; a start action may fill it in
};

enum class FileRole { Source, Destination };

// What the file choosers remember between uses; the windows keep it in the
// person's settings, so that it lasts across runs. A chooser opens in the
// folder of the last file of its role.
struct ChooserMemory {
  std::string lastSource;
  std::string lastDestination;
};

// The filter of the image choosers: disc images first, then all files.
inline constexpr const char* kImageFilter = "Disc images|*.iso;*.img;*.udf|All files|*.*";

// A name for a copy of source that no file has yet, in the folder of
// source: "vol.iso" gives "vol-copy.iso", then "vol-copy2.iso", ...
std::string NewCopyName(const std::string& source);

class StartActions {
 public:
  // sizes: the volume size choice of the run, which CheckHeader fills and
  // the operation dialog's "Change size..." shows.
  explicit StartActions(VolSizeChoice& sizes) : sizes_(sizes) {}

  // Write (Operation::TestOnly) and Verify (Operation::VerifyDisc) of the
  // Write page.
  std::optional<OperationRequest> StartWritePage(Operation operation, PageSide& source, SCSIDEV* writer);
  // Copy (Operation::Copy) and Verify (Operation::VerifyCopy) of the Copy page.
  std::optional<OperationRequest> StartCopyPage(Operation operation, PageSide& source, PageSide& destination);
  // The Write Pattern item: the pattern form for the selected writer.
  static std::optional<OperationRequest> WritePattern(SCSIDEV* writer);
  // The "Verify against record..." item: a disc record chosen in the open
  // dialog (in the records folder), and the verify of the disc in the
  // selected writer against its SHA-256 and size. A record that cannot be
  // used is named in an error box.
  static std::optional<OperationRequest> VerifyAgainstRecord(SCSIDEV* writer);

  // A Browse button: the shared dialog under the role's title, with the
  // image filter; the chosen path, or nothing when the person cancels. A
  // source chooser proposes the last file chosen; a destination chooser a
  // new name beside the source file of the page (source: the page's source
  // side, when it is a file). An existing destination is asked about once,
  // here: No is a cancel, and Yes is not asked again by the copy.
  std::optional<std::string> Browse(FileRole role, const PageSide* source = nullptr);
  const std::string& LastChosen() const { return lastChosen_; }
  const ChooserMemory& Memory() const { return memory_; }
  void Remember(ChooserMemory memory) { memory_ = std::move(memory); }

 private:
  // Asks for a missing name; false ends the start action.
  bool EnsureFileName(FileRole role, std::string& fileName, const PageSide* source = nullptr);
  bool CheckSource(const PageSide& source, VolumeInfo& volume);
  ui::FileDialogRequest ChooserRequest(FileRole role, const PageSide* source) const;

  VolSizeChoice& sizes_;
  std::string lastChosen_;
  ChooserMemory memory_;
  std::string agreedOverwrite_;  // the destination the person agreed to write over
  bool declined_ = false;        // the last Browse ended at a declined overwrite
};
