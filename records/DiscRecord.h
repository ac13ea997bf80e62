// SPDX-License-Identifier: GPL-3.0-or-later
// DiscRecord: what one operation did to one disc (or image file), kept as a
// small JSON file after every write, copy and verify, so that a person or a
// script can later tell what was written onto which disc and verify the disc
// against the record's SHA-256 long after the source image is gone. The
// fields and their JSON names are listed in the README ("Disc records").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transfer/Endpoint.h"

inline constexpr const char* kRecordFormat = "marrowlight-disc-record";
inline constexpr int kRecordVersion = 1;

// A SCSI device as the record names it.
struct RecordDevice {
  std::string address;  // "HA,ID,LUN"
  std::string vendor;
  std::string product;
  std::string revision;  // the firmware revision
};

// One side of the operation: a device or an image file. A pattern has no
// source; a verify against a record has the record as its source, against a
// digest given by hand the digest.
struct RecordSide {
  std::string kind;  // "file", "device", "pattern", "record" or "digest"
  std::string path;  // file or record: its path
  std::optional<RecordDevice> device;
};

struct RecordMedium {
  std::string type;                  // "DVD-R", ...; empty when the drive did not say
  std::optional<uint64_t> capacity;  // bytes, as the drive reported them
  // The disc's manufacturer identity (DVD-R/-RW pre-recorded information,
  // the DVD+R disc ID); empty when the drive gives none.
  std::string manufacturer;
};

// One data pass: the test write, the write, the copy or the verify.
struct RecordPass {
  std::string step;    // "test", "write", "copy", "verify"
  std::string result;  // "done", "failed", "canceled"
  double seconds = 0;  // from its first byte to its last
  uint64_t bytes = 0;  // bytes it moved or compared
  double AverageBytesPerSecond() const { return seconds > 0 ? static_cast<double>(bytes) / seconds : 0; }
};

// A moment of a pass's speed, as the operation dialog's graph draws it; the
// array is written only when there are some.
struct SpeedSample {
  std::string step;
  double seconds = 0;  // since the pass began
  uint64_t position = 0;
  double bytesPerSecond = 0;
};

struct DiscRecord {
  std::string program;  // "Marrowlight Ver2.00"
  std::string started;  // UTC, "2024-05-01T12:30:05Z"
  std::string ended;
  std::string operation;  // "write", "copy", "pattern" or "verify-record"
  std::string mode;       // as scripts name it: "test-write-verify", "copy-verify", "verify", ...
  std::string result;     // "done", "differences", "failed" or "canceled"

  RecordSide source;
  std::string volumeName;
  uint64_t volumeOffset = 0;  // where the volume began in its source
  uint64_t volumeSize = 0;    // bytes
  std::string sha256;         // of the volume's bytes; empty when no pass read them all

  RecordSide writer;  // the destination: the writer or device, or a file of a copy
  std::optional<RecordMedium> medium;
  std::vector<RecordPass> passes;

  // The verify, when one ran.
  bool verified = false;
  uint64_t differences = 0;  // differing steps (a differing digest or size counts one)
  std::vector<ByteRange> firstDifferences;
  std::string expectedSha256;  // a verify against a record: the digest it expected

  std::vector<SpeedSample> speedSamples;
};

// The record as its file holds it (JSON, two-space indent, a final line end).
std::string RecordText(const DiscRecord& record);
// Reads a record's text. Nothing, with error saying what is wrong, for text
// that is not a record of a version this program knows.
std::optional<DiscRecord> ParseRecord(const std::string& text, std::string& error);
// Reads a record file; error names the file and the problem.
std::optional<DiscRecord> ReadRecordFile(const std::string& path, std::string& error);

// "2024-05-01T12:30:05Z" for the current time.
std::string RecordTimeNow();
