// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/RecordStore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "base/CFILE.h"
#include "base/TextFormat.h"
#include "host/os/Platform.h"

namespace {

bool Usable(const std::optional<std::string>& folder) { return folder && !folder->empty() && folder->front() == '/'; }

// Letters, digits, '.', '-' and '_' of text, others as '_', at most 40
// characters: a piece of a file name that needs no quoting anywhere.
std::string NamePiece(const std::string& text) {
  std::string piece;
  for (char c : text) {
    if (piece.size() == 40) break;
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    piece += plain ? c : '_';
  }
  while (!piece.empty() && (piece.back() == '_' || piece.back() == '.')) piece.pop_back();
  return piece.empty() ? "none" : piece;
}

bool WriteWhole(CFILE& file, const std::string& text, std::string& error) {
  bool ok = file.Write(text.data(), static_cast<uint32_t>(text.size()));
  if (!ok) error = file.ErrorText(false);
  file.Close();
  return ok;
}

}  // namespace

std::string RecordsFolder(const std::optional<std::string>& xdgDataHome, const std::optional<std::string>& home) {
  if (Usable(xdgDataHome)) return *xdgDataHome + "/marrowlight/records";
  if (Usable(home)) return *home + "/.local/share/marrowlight/records";
  return {};
}

std::string DefaultRecordsFolder() {
  return RecordsFolder(host::GetEnvironment("XDG_DATA_HOME"), host::GetEnvironment("HOME"));
}

std::string RecordFileName(const DiscRecord& record) {
  // "2024-05-01T12:30:05Z" -> "20240501-123005".
  std::string time;
  for (char c : record.started) {
    if (c >= '0' && c <= '9') time += c;
    if (c == 'T') time += '-';
  }
  std::string disc = record.writer.device ? record.writer.device->address
                                          : std::filesystem::path(record.writer.path).filename().string();
  std::replace(disc.begin(), disc.end(), ',', '-');
  return NamePiece(time) + "_" + NamePiece(record.volumeName) + "_" + NamePiece(disc) + ".json";
}

bool WriteRecord(const DiscRecord& record, const std::string& file, std::string& written, std::string& error) {
  const std::string text = RecordText(record);
  CFILE out;
  if (!file.empty()) {
    if (!MayOverwrite(file)) {
      error = "The record was not written: " + file + " exists and was kept.";
      return false;
    }
    if (!out.Open(file, GENERIC_WRITE, 0, CREATE_ALWAYS, 0)) {
      error = out.ErrorText(false);
      return false;
    }
    written = file;
    return WriteWhole(out, text, error);
  }

  const std::string folder = DefaultRecordsFolder();
  if (folder.empty()) {
    error = "There is no folder for records: neither XDG_DATA_HOME nor HOME is set.";
    return false;
  }
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    error = "The records folder " + folder + " cannot be made (" + code.message() + ").";
    return false;
  }
  const std::string name = RecordFileName(record);
  const std::string stem = name.substr(0, name.size() - 5);
  for (int attempt = 1; attempt <= 100; ++attempt) {
    std::string path = folder + "/" + (attempt == 1 ? name : FormatText("%s-%d.json", stem.c_str(), attempt));
    // A new file only: a record never replaces another.
    if (out.Open(path, GENERIC_WRITE, 0, CREATE_NEW, 0)) {
      written = path;
      return WriteWhole(out, text, error);
    }
    if (!CFILE::FileExists(path)) {
      error = out.ErrorText(false);
      return false;
    }
  }
  error = "The records folder " + folder + " already holds 100 records of that name.";
  return false;
}

std::vector<ListedRecord> ListRecords(const std::string& folder) {
  std::vector<ListedRecord> listed;
  std::error_code code;
  for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
    if (entry.path().extension() != ".json") continue;
    ListedRecord item;
    item.path = entry.path().string();
    item.record = ReadRecordFile(item.path, item.error);
    listed.push_back(std::move(item));
  }
  // Oldest first: by the start the record names, then by when its file was
  // written (two operations may start within one second).
  auto key = [](const ListedRecord& item) {
    std::error_code ignored;
    return std::make_tuple(item.record ? item.record->started : std::string(),
                           std::filesystem::last_write_time(item.path, ignored), item.path);
  };
  std::sort(listed.begin(), listed.end(),
            [&key](const ListedRecord& a, const ListedRecord& b) { return key(a) < key(b); });
  return listed;
}

std::string RecordDisc(const DiscRecord& record) {
  if (!record.writer.device) return record.writer.path;
  const RecordDevice& device = *record.writer.device;
  std::string text = device.address;
  if (!device.vendor.empty() || !device.product.empty()) text += " " + device.vendor + " " + device.product;
  return text;
}

std::optional<DiscRecord> ReadVerifiableRecord(const std::string& recordFile, std::string& error) {
  std::optional<DiscRecord> record = ReadRecordFile(recordFile, error);
  if (!record) return std::nullopt;
  if (record->sha256.empty()) {
    error = "The record " + recordFile +
            " holds no SHA-256 of its volume: its operation did not read the whole volume.";
    return std::nullopt;
  }
  if (record->volumeSize == 0) {
    error = "The record " + recordFile + " cannot be used: its volume size is 0.";
    return std::nullopt;
  }
  return record;
}
