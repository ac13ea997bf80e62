// SPDX-License-Identifier: GPL-3.0-or-later
// The operations a person can start, as the operation dialog lists them and
// as scripts name them. Each has the operation code the operation thread
// works from: bits 01h verify, 02h real write, 04h test write, 08h copy, 80h
// the destination is one of the maker's DVD-R writers (write family).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

enum class Operation : uint16_t {
  VerifyCopy = 0x01,  // verify a destination against its source
  Copy = 0x08,
  CopyVerify = 0x09,
  VerifyDisc = 0x81,  // verify a written disc against its source
  Write = 0x82,
  WriteVerify = 0x83,
  TestOnly = 0x84,
  TestWrite = 0x86,
  TestWriteVerify = 0x87,
};

// The two lists of the operation dialog: the Copy page's operations and
// the operations onto a writer (image writes and the pattern).
enum class OperationFamily { Copy, Write };

namespace opcode {
inline constexpr uint16_t kVerify = 0x01;
inline constexpr uint16_t kWrite = 0x02;
inline constexpr uint16_t kTest = 0x04;
inline constexpr uint16_t kCopy = 0x08;
inline constexpr uint16_t kWriter = 0x80;
}  // namespace opcode

struct OperationItem {
  const char* text;  // the dialog's list item
  const char* name;  // the name scripts use (--mode)
  Operation operation;
};

constexpr uint16_t CodeOf(Operation operation) { return static_cast<uint16_t>(operation); }
constexpr bool Has(Operation operation, uint16_t bit) { return (CodeOf(operation) & bit) != 0; }
constexpr OperationFamily FamilyOf(Operation operation) {
  return Has(operation, opcode::kWriter) ? OperationFamily::Write : OperationFamily::Copy;
}

// The list of a family in the dialog's order.
std::span<const OperationItem> OperationList(OperationFamily family);
// The item of an operation; its index in its family's list.
const OperationItem& ItemOf(Operation operation);
int ListIndexOf(Operation operation);
// Looks an operation up in a family by its script name or its list text.
std::optional<Operation> OperationNamed(OperationFamily family, std::string_view name);
std::optional<Operation> OperationWithText(OperationFamily family, std::string_view text);
// The operation of a code in use (01h, 08h, 09h, 81h-87h); nothing for
// any other value.
std::optional<Operation> OperationFromCode(uint16_t code);
