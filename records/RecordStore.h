// SPDX-License-Identifier: GPL-3.0-or-later
// RecordStore: where disc records are kept and how they are named, written,
// listed and read back for a verify of a disc against its record.
//
// The folder is $XDG_DATA_HOME/marrowlight/records, or
// ~/.local/share/marrowlight/records when that variable is unset, empty or
// not an absolute path. A record's name says when the operation started,
// what volume it moved and onto which disc (writer or file), so that names
// sort by time and never collide: "20240501-123005_SAMPLE_0-4-0.json", with
// "-2", "-3" ... added should two operations start within one second.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/DiscRecord.h"

// The records folder by the rule above; empty without a usable variable or
// home.
std::string RecordsFolder(const std::optional<std::string>& xdgDataHome, const std::optional<std::string>& home);
// The records folder of this process.
std::string DefaultRecordsFolder();
// The name (no folder) a record gets in the records folder.
std::string RecordFileName(const DiscRecord& record);

// Writes a record. file: the file the person chose (asking before an
// existing one is replaced); empty: a new file in the records folder (made
// when missing). True with written set to the file's path; false with
// error saying why.
bool WriteRecord(const DiscRecord& record, const std::string& file, std::string& written, std::string& error);

struct ListedRecord {
  std::string path;
  std::optional<DiscRecord> record;  // nothing for a file that is no record
  std::string error;                 // then why
};
// The .json files of a folder, oldest first; a missing folder lists
// nothing.
std::vector<ListedRecord> ListRecords(const std::string& folder);

// The disc a record names, as a list shows it: the writer's address and
// product, or the file's path.
std::string RecordDisc(const DiscRecord& record);

// A record that a disc can be verified against: one that can be read, holds
// the SHA-256 of its volume and a size above 0. Nothing, with error saying
// why, otherwise.
std::optional<DiscRecord> ReadVerifiableRecord(const std::string& recordFile, std::string& error);
