// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/OperationForm.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"

namespace {

bool NamesFile(const Endpoint& side) { return side.IsFile() && !side.file.empty(); }

struct FormRow {
  OperationFormKind kind;
  const char* heading;
};

constexpr FormRow kForms[] = {
    {OperationFormKind::PatternWrite, "[TWriteForm::SetParameters(Pattern Write)]"},
    {OperationFormKind::ScsiToScsi, "[TWriteForm::SetParameters(Scsi->Scsi)]"},
    {OperationFormKind::FileToScsi, "[TWriteForm::SetParameters(File->Scsi)]"},
    {OperationFormKind::ScsiToFile, "[TWriteForm::SetParameters(Scsi->File)]"},
    {OperationFormKind::FileToFile, "[TWriteForm::SetParameters(File->File)]"},
    {OperationFormKind::RecordToScsi, "[TWriteForm::SetParameters(Record->Scsi)]"},
};

constexpr FormTexts kCopyTexts{"Copy DVD image", "[Source Volume Information]", "Volume Name: ", "Voluem Size: ",
                               OperationFamily::Copy, 0};
constexpr FormTexts kWriteTexts{"Write DVD image", "[Source Volume Information]", "Volume Name: ", "Voluem Size: ",
                                OperationFamily::Write, 0};
constexpr FormTexts kRecordTexts{"Verify against record", "[Recorded Volume Information]", "Volume Name: ",
                                 "Voluem Size: ", OperationFamily::Write, 0};
constexpr FormTexts kPatternTexts{"Write pattern", "[Writing Device Information]", "Device Name: ", "Writing Size: ",
                                  OperationFamily::Write, 0};

}  // namespace

OperationFormKind FormKindOf(const OperationRequest& request) {
  if (request.pattern) return OperationFormKind::PatternWrite;
  if (request.expected) return OperationFormKind::RecordToScsi;
  bool fromFile = NamesFile(request.source);
  bool toFile = FamilyOf(request.operation) == OperationFamily::Copy && NamesFile(request.destination);
  if (fromFile) return toFile ? OperationFormKind::FileToFile : OperationFormKind::FileToScsi;
  return toFile ? OperationFormKind::ScsiToFile : OperationFormKind::ScsiToScsi;
}

std::string FormHeading(OperationFormKind kind) {
  for (const FormRow& row : kForms) {
    if (row.kind == kind) return row.heading;
  }
  return {};
}

bool CheckFormSides(const OperationRequest& request) {
  OperationFormKind kind = FormKindOf(request);
  AddLog(FormHeading(kind));
  bool source = request.source.IsDevice();
  bool destination = request.destination.IsDevice();
  switch (kind) {
    case OperationFormKind::PatternWrite: return destination;
    case OperationFormKind::ScsiToScsi: return source && destination;
    case OperationFormKind::FileToScsi:
      if (!destination) AddLog("pDstDev is NULL");
      return destination;
    case OperationFormKind::ScsiToFile: return source;
    case OperationFormKind::FileToFile: return true;
    case OperationFormKind::RecordToScsi: return destination;
  }
  return false;
}

FormTexts FormTextsOf(const OperationRequest& request) {
  if (request.expected) return kRecordTexts;
  FormTexts texts = kWriteTexts;
  if (request.pattern) {
    texts = kPatternTexts;
  } else if (FamilyOf(request.operation) == OperationFamily::Copy) {
    texts = kCopyTexts;
  }
  // A pattern always goes onto the writer: it opens on "Test Only" unless
  // the request names an operation of the write list.
  bool fits = FamilyOf(request.operation) == texts.family;
  Operation opened = fits ? request.operation : Operation::TestOnly;
  if (!request.testWriteOffered && Has(opened, opcode::kTest)) opened = Operation::WriteVerify;
  std::vector<OperationItem> list = OperationListFor(request);
  texts.selected = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].operation == opened) texts.selected = static_cast<int>(i);
  }
  return texts;
}

std::vector<OperationItem> OperationListFor(const OperationRequest& request) {
  if (request.expected) return {ItemOf(Operation::VerifyDisc)};
  OperationFamily family = request.pattern ? OperationFamily::Write : FamilyOf(request.operation);
  std::vector<OperationItem> list;
  for (const OperationItem& item : OperationList(family)) {
    if (!request.testWriteOffered && Has(item.operation, opcode::kTest)) continue;
    list.push_back(item);
  }
  return list;
}

std::string VolumeSizeText(uint64_t bytes, uint32_t sectors) {
  return FormatText("%s Bytes. (%08XH Sectors)", FormatNumber(bytes).c_str(), sectors);
}

std::string WriteSizeText(uint64_t bytes) { return FormatNumber(bytes) + " bytes."; }

std::string PatternDeviceLine(const SCSIDEV& writer) {
  return std::string(writer.Vendor()) + writer.Product() + "  (Version " + writer.Revision() + ")";
}

uint32_t SectorCountEdit::Sectors() const { return static_cast<uint32_t>(ParseNumber(text, hex ? 16 : 10)); }

void SectorCountEdit::ToggleBase() {
  uint32_t value = Sectors();
  hex = !hex;
  SetSectors(value);
}

void SectorCountEdit::SetSectors(uint32_t sectors) { text = FormatText(hex ? "%X" : "%u", sectors); }

ProgressLayout LayOutProgressRows(const DialogLayout& saved, Operation operation) {
  const bool copy = FamilyOf(operation) == OperationFamily::Copy;
  ProgressLayout layout{};
  layout.writeCaption = copy ? " Copy" : " Write";
  // The copy list has no test row: the rows start where it would stand and
  // the settings group loses the same room.
  int shift = copy ? kProgressRowHeight : 0;
  layout.infoTop = saved.infoTop - shift;
  layout.settingsHeight = saved.settingsHeight - shift;

  layout.test.shown = !copy && Has(operation, opcode::kTest);
  layout.write.shown = Has(operation, copy ? opcode::kCopy : opcode::kWrite);
  layout.verify.shown = Has(operation, opcode::kVerify);

  int top = saved.testTop - shift;
  int hidden = 0;
  for (ProgressRow* row : {&layout.test, &layout.write, &layout.verify}) {
    if (row->shown) {
      row->top = top;
      top += kProgressRowHeight;
    } else {
      ++hidden;
    }
  }
  int k = hidden * kProgressRowHeight + shift;
  layout.startTop = saved.startTop - k;
  layout.height = saved.height - k;
  return layout;
}
