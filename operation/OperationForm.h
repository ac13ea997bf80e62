// SPDX-License-Identifier: GPL-3.0-or-later
// OperationForm: what the operation dialog shows, decided without a window.
// A request takes one of five forms (the pattern, or each side a device or
// an image file); the form gives the dialog's caption and texts, the
// operation list and the item it opens on. The operation chosen in the list
// gives the progress rows and the height of the dialog: every hidden row
// takes its 24 pixels away, and the copy list, which has no test row, a
// further 24 from the settings group. The window (gui/TWriteForm) only
// places its controls by these answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operation/Operation.h"
#include "operation/OperationRequest.h"

class SCSIDEV;

enum class OperationFormKind { PatternWrite, ScsiToScsi, FileToScsi, ScsiToFile, FileToFile, RecordToScsi };

// The form of a request. A side is a file when it names one; a side with
// neither a device nor a file name is a missing device. Onto a writer (the
// write list) the destination is always a device.
OperationFormKind FormKindOf(const OperationRequest& request);
// "[TWriteForm::SetParameters(File->Scsi)]" and the like.
std::string FormHeading(OperationFormKind kind);
// Logs the form's heading; false when the form lacks a device it needs (a
// File->Scsi request without its writer also logs "pDstDev is NULL").
bool CheckFormSides(const OperationRequest& request);

struct FormTexts {
  const char* caption;    // "Write DVD image", "Copy DVD image", "Write pattern"
  const char* group;      // "[Source Volume Information]" / "[Writing Device Information]"
  const char* nameLabel;  // "Volume Name: " / "Device Name: "
  const char* sizeLabel;  // "Voluem Size: " / "Writing Size: "
  OperationFamily family;
  int selected;  // the list item the dialog opens on
};
FormTexts FormTextsOf(const OperationRequest& request);
// The dialog's operation list for a request: its family's list, without
// the test operations when the medium takes no test write (a DVD+R opens
// on "Write & Verify" then), or "Verify" alone for a verify against a
// record (there is no source to write from). FormTexts::selected indexes
// this list.
std::vector<OperationItem> OperationListFor(const OperationRequest& request);

// "4,700,372,992 Bytes. (00230540H Sectors)"
std::string VolumeSizeText(uint64_t bytes, uint32_t sectors);
// The pattern's size from its sector count: "0 bytes.", "2,048 bytes."
std::string WriteSizeText(uint64_t bytes);
// The writer as the pattern form names it: vendor, product and
// "  (Version <revision>)".
std::string PatternDeviceLine(const SCSIDEV& writer);

// The hidden sector count of the pattern form: its edit is read in the base
// its label shows ("DEC" or "HEX"), and a click on the label turns the text
// into the other base.
struct SectorCountEdit {
  bool hex = false;
  std::string text = "0";

  uint32_t Sectors() const;
  const char* Label() const { return hex ? "HEX" : "DEC"; }
  const char* Hint() const { return hex ? "in Hexadecimal" : "in Decimal"; }
  // The label was clicked: the value is kept, its text changes base.
  void ToggleBase();
  // The text for a sector count in the current base.
  void SetSectors(uint32_t sectors);
};

// The places of the dialog's parts as they were laid out at creation, in
// pixels of the dialog's client area.
struct DialogLayout {
  int height = 0;          // the dialog with all three progress rows
  int testTop = 0;         // the first progress row (Test)
  int startTop = 0;        // the panel with the comment line and the buttons
  int settingsHeight = 0;  // the "[Operation Settings]" group
  int infoTop = 0;         // the information label in that group
};

struct ProgressRow {
  bool shown = false;
  int top = 0;
};

struct ProgressLayout {
  ProgressRow test, write, verify;
  const char* writeCaption;  // " Write" or " Copy"
  int startTop;
  int height;
  int settingsHeight;
  int infoTop;
};

inline constexpr int kProgressRowHeight = 24;

// The rows the operation needs, one under the other from the first row's
// place, and what moves up with the rows left out.
ProgressLayout LayOutProgressRows(const DialogLayout& saved, Operation operation);
