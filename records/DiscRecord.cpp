// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/DiscRecord.h"

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/Sha256.h"
#include "base/TextFormat.h"
#include "host/os/Platform.h"

using nlohmann::json;

namespace {

// A file larger than this is no record (a record is a few kilobytes).
constexpr std::streamsize kLargestRecord = 1 << 20;

json Optional(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

json SideJson(const RecordSide& side) {
  json out = {{"kind", side.kind}};
  if (!side.path.empty()) out["path"] = side.path;
  if (side.device) {
    out["address"] = side.device->address;
    out["vendor"] = side.device->vendor;
    out["product"] = side.device->product;
    out["revision"] = side.device->revision;
  }
  return out;
}

// Reading: a malformed field throws a message that names it; ParseRecord
// turns it into its error text. Nothing is thrown out of this file.
struct Malformed {
  std::string text;
};

// "the record" -> "The record" at the start of a sentence.
std::string Capital(const char* where) {
  std::string text = where;
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

const json& Field(const json& object, const char* name, const char* where) {
  auto found = object.find(name);
  if (found == object.end()) throw Malformed{FormatText("%s has no \"%s\".", Capital(where).c_str(), name)};
  return *found;
}

std::string Text(const json& object, const char* name, const char* where, bool required = false) {
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) {
    if (required) throw Malformed{FormatText("%s has no \"%s\".", Capital(where).c_str(), name)};
    return {};
  }
  if (!found->is_string()) throw Malformed{FormatText("\"%s\" of %s is not a text.", name, where)};
  return found->get<std::string>();
}

uint64_t Count(const json& object, const char* name, const char* where, bool required = false) {
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) {
    if (required) throw Malformed{FormatText("%s has no \"%s\".", Capital(where).c_str(), name)};
    return 0;
  }
  if (!found->is_number_unsigned()) throw Malformed{FormatText("\"%s\" of %s is not a whole number of 0 or more.", name, where)};
  return found->get<uint64_t>();
}

double Seconds(const json& object, const char* name, const char* where) {
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) return 0;
  if (!found->is_number()) throw Malformed{FormatText("\"%s\" of %s is not a number.", name, where)};
  return found->get<double>();
}

const json& Object(const json& value, const char* where) {
  if (!value.is_object()) throw Malformed{FormatText("%s is not an object.", Capital(where).c_str())};
  return value;
}

const json& Array(const json& object, const char* name, const char* where) {
  static const json kEmpty = json::array();
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) return kEmpty;
  if (!found->is_array()) throw Malformed{FormatText("\"%s\" of %s is not a list.", name, where)};
  return *found;
}

RecordSide ReadSide(const json& value, const char* where) {
  Object(value, where);
  RecordSide side;
  side.kind = Text(value, "kind", where, true);
  side.path = Text(value, "path", where);
  if (value.contains("address")) {
    side.device = RecordDevice{Text(value, "address", where), Text(value, "vendor", where),
                               Text(value, "product", where), Text(value, "revision", where)};
  }
  return side;
}

DiscRecord ReadRecord(const json& top) {
  Object(top, "the record");
  if (Text(top, "format", "the record", true) != kRecordFormat)
    throw Malformed{"It is not a Marrowlight disc record (\"format\" is not \"" + std::string(kRecordFormat) + "\")."};
  uint64_t version = Count(top, "version", "the record", true);
  if (version != kRecordVersion)
    throw Malformed{FormatText("It is a record of version %llu; this program reads version %d.",
                               static_cast<unsigned long long>(version), kRecordVersion)};
  DiscRecord record;
  record.program = Text(top, "program", "the record");
  record.started = Text(top, "started", "the record");
  record.ended = Text(top, "ended", "the record");
  record.operation = Text(top, "operation", "the record");
  record.mode = Text(top, "mode", "the record");
  record.result = Text(top, "result", "the record");

  const json& source = Object(Field(top, "source", "the record"), "\"source\"");
  record.source = ReadSide(source, "\"source\"");
  record.volumeName = Text(source, "volume_name", "\"source\"");
  record.volumeOffset = Count(source, "volume_offset", "\"source\"");
  record.volumeSize = Count(source, "size", "\"source\"", true);
  record.sha256 = Text(source, "sha256", "\"source\"");
  if (!record.sha256.empty() && !Sha256::FromHex(record.sha256))
    throw Malformed{"\"sha256\" of \"source\" is not 64 hexadecimal digits."};

  if (top.contains("writer")) record.writer = ReadSide(top["writer"], "\"writer\"");
  if (top.contains("medium") && !top["medium"].is_null()) {
    const json& medium = Object(top["medium"], "\"medium\"");
    RecordMedium read;
    read.type = Text(medium, "type", "\"medium\"");
    if (medium.contains("capacity") && !medium["capacity"].is_null())
      read.capacity = Count(medium, "capacity", "\"medium\"");
    read.manufacturer = Text(medium, "manufacturer", "\"medium\"");
    record.medium = read;
  }
  for (const json& pass : Array(top, "passes", "the record")) {
    Object(pass, "a pass");
    record.passes.push_back({Text(pass, "step", "a pass"), Text(pass, "result", "a pass"),
                             Seconds(pass, "seconds", "a pass"), Count(pass, "bytes", "a pass")});
  }
  if (top.contains("verify") && !top["verify"].is_null()) {
    const json& verify = Object(top["verify"], "\"verify\"");
    record.verified = true;
    record.differences = Count(verify, "differences", "\"verify\"");
    for (const json& range : Array(verify, "first_differences", "\"verify\"")) {
      Object(range, "a difference");
      record.firstDifferences.push_back({Count(range, "from", "a difference"), Count(range, "to", "a difference")});
    }
    record.expectedSha256 = Text(verify, "expected_sha256", "\"verify\"");
  }
  for (const json& sample : Array(top, "speed_samples", "the record")) {
    Object(sample, "a speed sample");
    record.speedSamples.push_back({Text(sample, "step", "a speed sample"), Seconds(sample, "seconds", "a speed sample"),
                                   Count(sample, "position", "a speed sample"),
                                   Seconds(sample, "bytes_per_second", "a speed sample")});
  }
  return record;
}

}  // namespace

std::string RecordText(const DiscRecord& record) {
  json source = SideJson(record.source);
  source["volume_name"] = record.volumeName;
  source["volume_offset"] = record.volumeOffset;
  source["size"] = record.volumeSize;
  source["sha256"] = Optional(record.sha256);

  json out = {{"format", kRecordFormat},
              {"version", kRecordVersion},
              {"program", record.program},
              {"started", record.started},
              {"ended", record.ended},
              {"operation", record.operation},
              {"mode", record.mode},
              {"result", record.result},
              {"source", source},
              {"writer", SideJson(record.writer)}};
  if (record.medium) {
    out["medium"] = {{"type", Optional(record.medium->type)},
                     {"capacity", record.medium->capacity ? json(*record.medium->capacity) : json(nullptr)},
                     {"manufacturer", Optional(record.medium->manufacturer)}};
  } else {
    out["medium"] = nullptr;
  }
  json passes = json::array();
  for (const RecordPass& pass : record.passes) {
    passes.push_back({{"step", pass.step},
                      {"result", pass.result},
                      {"seconds", pass.seconds},
                      {"bytes", pass.bytes},
                      {"average_bytes_per_second", pass.AverageBytesPerSecond()}});
  }
  out["passes"] = passes;
  if (record.verified) {
    json ranges = json::array();
    for (const ByteRange& range : record.firstDifferences) ranges.push_back({{"from", range.from}, {"to", range.to}});
    out["verify"] = {{"differences", record.differences}, {"first_differences", ranges}};
    if (!record.expectedSha256.empty()) out["verify"]["expected_sha256"] = record.expectedSha256;
  } else {
    out["verify"] = nullptr;
  }
  if (!record.speedSamples.empty()) {
    json samples = json::array();
    for (const SpeedSample& sample : record.speedSamples) {
      samples.push_back({{"step", sample.step},
                         {"seconds", sample.seconds},
                         {"position", sample.position},
                         {"bytes_per_second", sample.bytesPerSecond}});
    }
    out["speed_samples"] = samples;
  }
  // Volume names and INQUIRY texts are bytes of a disc or a drive: what is
  // not UTF-8 is replaced, so the file is always valid JSON.
  return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<DiscRecord> ParseRecord(const std::string& text, std::string& error) {
  json top = json::parse(text, nullptr, false);
  if (top.is_discarded()) {
    error = "It is not JSON.";
    return std::nullopt;
  }
  try {
    return ReadRecord(top);
  } catch (const Malformed& malformed) {
    error = malformed.text;
  } catch (const json::exception&) {
    error = "It is not a Marrowlight disc record.";
  }
  return std::nullopt;
}

std::optional<DiscRecord> ReadRecordFile(const std::string& path, std::string& error) {
  std::error_code code;
  std::filesystem::file_status status = std::filesystem::status(path, code);
  if (!std::filesystem::exists(status)) {
    const bool missing = status.type() == std::filesystem::file_type::not_found || !code;
    error = "The record " + path + " cannot be read: " + (missing ? "it does not exist" : code.message()) + ".";
    return std::nullopt;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = "The record " + path + " cannot be read: it is not a file.";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  std::string text(static_cast<size_t>(kLargestRecord) + 1, '\0');
  file.read(text.data(), kLargestRecord + 1);
  if (file.bad() || (!file && !file.eof())) {
    error = "The record " + path + " cannot be read.";
    return std::nullopt;
  }
  if (file.gcount() > kLargestRecord) {
    error = "The record " + path + " cannot be used: it is larger than a record can be.";
    return std::nullopt;
  }
  text.resize(static_cast<size_t>(file.gcount()));
  std::optional<DiscRecord> record = ParseRecord(text, error);
  if (!record) error = "The record " + path + " cannot be used: " + error;
  return record;
}

std::string RecordTimeNow() {
  host::UtcTime now = host::CurrentUtcTime();
  return FormatText("%04d-%02d-%02dT%02d:%02d:%02dZ", now.year, now.month, now.day, now.hour, now.minute, now.second);
}
