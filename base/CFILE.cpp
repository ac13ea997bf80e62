// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CFILE.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "host/ui/MessageBox.h"

namespace {

constexpr std::array<const char*, 5> kErrorPrefixes = {"", "Open error: ", "Read error: ", "Write error: ",
                                                      "Seek error: "};

std::optional<host::DiskSpace> SpaceOfPath(const std::string& path) {
  std::optional<std::string> full = host::FullPathName(path);
  if (!full) {
    ui::MessageBox("GetFullPathName() failed.", "Internal Error", ui::kIconError);
    return std::nullopt;
  }
  return host::QueryDiskSpace(*full);
}

}  // namespace

bool CFILE::Open(const std::string& name, uint32_t access, uint32_t shareMode, uint32_t disposition,
                 uint32_t /*attributes*/) {
  fileName_ = name;
  position_ = 0;
  if (!handle_.Open(name, access, shareMode, disposition)) {
    error_ = kOpenError;
    return false;
  }
  error_ = kNoError;
  return true;
}

void CFILE::Close() { handle_.Close(); }

bool CFILE::FileExists(const std::string& name) {
  CFILE probe;
  if (!probe.Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) return false;
  probe.Close();
  return true;
}

uint64_t CFILE::GetSize(std::string* text) {
  if (!handle_.IsOpen()) {
    size_ = 0;
    if (text) *text = "0";
    return 0;
  }
  size_ = handle_.Size().value_or(0);
  if (text) *text = FormatNumber(size_);
  return size_;
}

bool CFILE::Read(void* buffer, uint32_t count, uint32_t* got) {
  uint32_t moved = 0;
  if (!handle_.Read(buffer, count, &moved)) {
    if (got) *got = 0;
    error_ = kReadError;
    return false;
  }
  if (got) *got = moved;
  position_ += moved;
  error_ = kNoError;
  return true;
}

bool CFILE::Write(const void* buffer, uint32_t count, uint32_t* written) {
  uint32_t moved = 0;
  bool ok = handle_.Write(buffer, count, &moved);
  if (written) *written = moved;
  if (!ok) {
    error_ = kWriteError;
    return false;
  }
  position_ += moved;
  error_ = kNoError;
  return true;
}

bool CFILE::WriteText(const char* text) { return WriteText(std::string_view(text ? text : "")); }

bool CFILE::WriteText(std::string_view text) {
  uint32_t moved = 0;
  bool ok = handle_.Write(text.data(), static_cast<uint32_t>(text.size()), &moved);
  if (ok) position_ += moved;
  return ok;
}

bool CFILE::Seek(uint64_t position) {
  if (!handle_.SeekTo(position)) {
    error_ = kSeekError;
    return false;
  }
  position_ = position;
  error_ = kNoError;
  return true;
}

void CFILE::Skip(uint32_t distance) {
  handle_.SeekForward(distance);
  position_ += distance;
}

bool CFILE::ReadLine(std::string& text) {
  constexpr uint32_t kBlock = 4096;
  if (GetSize() <= position_) return false;

  const uint64_t start = position_;
  std::array<char, kBlock> block{};
  uint32_t got = 0;
  if (!Read(block.data(), kBlock, &got)) return false;

  // The search runs over the whole block, as the bytes past got are zero and
  // hold no terminator.
  const char* cr = static_cast<const char*>(std::memchr(block.data(), '\r', kBlock));
  const char* lf = static_cast<const char*>(std::memchr(block.data(), '\n', kBlock));
  if (cr == nullptr && lf == nullptr) {
    text.clear();
    return false;
  }
  const char* end;
  const char* next;
  if (cr == nullptr || lf == nullptr) {
    end = next = cr ? cr : lf;
  } else {
    end = std::min(cr, lf);
    next = std::max(cr, lf);
  }
  size_t length = static_cast<size_t>(end - block.data());
  // The line ends at a NUL inside it, as a C text would.
  text.assign(block.data(), std::find(block.data(), block.data() + length, '\0'));

  Seek(start);
  Skip(static_cast<uint32_t>(next - block.data()) + 1);
  return true;
}

uint64_t CFILE::GetDiskFree() { return DiskFreeBytes(fileName_); }

std::string CFILE::ErrorText(bool showBox) {
  if (error_ == kNoError) return fileName_;
  const char* prefix = (error_ > 0 && error_ < static_cast<int32_t>(kErrorPrefixes.size())) ? kErrorPrefixes[error_] : "";
  std::string message = std::string(prefix) + (fileName_.empty() ? "File name is not specified." : fileName_);
  // The reason tells a missing file from one without permission or in use.
  std::string reason = handle_.LastErrorText();
  if (!fileName_.empty() && !reason.empty()) message += " (" + reason + ")";
  if (showBox) ui::MessageBox(message, "Error", ui::kIconError);
  TraceOut(message, "\r\n");
  return message;
}

uint64_t DiskFreeBytes(const std::string& path) {
  auto space = SpaceOfPath(path);
  return space ? space->freeBytes : 0;
}

uint64_t DiskTotalBytes(const std::string& path) {
  auto space = SpaceOfPath(path);
  return space ? space->totalBytes : 0;
}

bool MayOverwrite(const std::string& fileName) {
  if (!CFILE::FileExists(fileName)) return true;
  return ui::MessageBox(fileName + " already exists.\r\nDo you wish to overwrite it?", ProgramName,
                        ui::kYesNo | ui::kIconQuestion | ui::kDefButton2) == ui::kIdYes;
}
