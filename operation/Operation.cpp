// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/Operation.h"

namespace {

// The operation lists of the dialog, item by item.
constexpr OperationItem kCopyList[] = {
    {"Copy", "copy", Operation::Copy},
    {"Copy & Verify", "copy-verify", Operation::CopyVerify},
    {"Verify", "verify", Operation::VerifyCopy},
};
constexpr OperationItem kWriteList[] = {
    {"Write", "write", Operation::Write},
    {"Write & Verify", "write-verify", Operation::WriteVerify},
    {"Verify", "verify", Operation::VerifyDisc},
    {"Test Only", "test", Operation::TestOnly},
    {"Test & Write", "test-write", Operation::TestWrite},
    {"Test & Write & Verify", "test-write-verify", Operation::TestWriteVerify},
};

template <typename Match>
std::optional<Operation> Find(OperationFamily family, Match match) {
  for (const OperationItem& item : OperationList(family)) {
    if (match(item)) return item.operation;
  }
  return std::nullopt;
}

}  // namespace

std::span<const OperationItem> OperationList(OperationFamily family) {
  if (family == OperationFamily::Copy) return kCopyList;
  return kWriteList;
}

int ListIndexOf(Operation operation) {
  std::span<const OperationItem> list = OperationList(FamilyOf(operation));
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].operation == operation) return static_cast<int>(i);
  }
  return 0;  // every operation stands in its family's list
}

const OperationItem& ItemOf(Operation operation) {
  return OperationList(FamilyOf(operation))[static_cast<size_t>(ListIndexOf(operation))];
}

std::optional<Operation> OperationNamed(OperationFamily family, std::string_view name) {
  return Find(family, [name](const OperationItem& item) { return name == item.name; });
}

std::optional<Operation> OperationWithText(OperationFamily family, std::string_view text) {
  return Find(family, [text](const OperationItem& item) { return text == item.text; });
}

std::optional<Operation> OperationFromCode(uint16_t code) {
  OperationFamily family = (code & opcode::kWriter) != 0 ? OperationFamily::Write : OperationFamily::Copy;
  return Find(family, [code](const OperationItem& item) { return CodeOf(item.operation) == code; });
}
