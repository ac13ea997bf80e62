// SPDX-License-Identifier: GPL-3.0-or-later
#include "managers/simbus/BusDescription.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <nlohmann/json.hpp>

#include "managers/simbus/DescriptionText.h"

namespace simbus {
namespace {

using nlohmann::json;

// A problem found at a place of the description; caught at the boundary and
// turned into the one-line message.
struct DescriptionError {
  std::string place;
  std::string problem;
};

class Reader {
 public:
  explicit Reader(std::string baseDir) : baseDir_(std::move(baseDir)) {}

  BusConfig Bus(const json& root) {
    if (!root.is_object()) Throw("$", "the description must be a JSON object");
    Keys(root, "$", {"state_dir", "adapters", "faults"});
    BusConfig bus;
    if (root.contains("state_dir")) bus.stateDir = Path(Text(root["state_dir"], "state_dir"));
    if (root.contains("faults")) {
      bus.managerFaults = FaultList(root["faults"], "faults");
      for (size_t i = 0; i < bus.managerFaults.size(); ++i)
        if (bus.managerFaults[i].kind != FaultKind::SupportNotInitialised)
          Throw("faults[" + std::to_string(i) + "]",
                "the manager itself only knows \"support-not-initialised\"; other faults belong to a device");
    }
    if (!root.contains("adapters")) Throw("$", "the key \"adapters\" is missing");
    const json& adapters = root["adapters"];
    if (!adapters.is_array()) Throw("adapters", "must be a list of adapters");
    if (adapters.size() > 16) Throw("adapters", "at most 16 adapters");
    bus.adapterCount = adapters.size();
    std::set<std::tuple<int, int, int>> taken;
    for (size_t a = 0; a < adapters.size(); ++a) {
      std::string place = "adapters[" + std::to_string(a) + "]";
      const json& adapter = adapters[a];
      if (!adapter.is_object()) Throw(place, "must be an object with \"devices\"");
      Keys(adapter, place, {"devices"});
      if (!adapter.contains("devices")) continue;
      const json& devices = adapter["devices"];
      if (!devices.is_array()) Throw(place + ".devices", "must be a list of devices");
      for (size_t d = 0; d < devices.size(); ++d) {
        std::string devicePlace = place + ".devices[" + std::to_string(d) + "]";
        DeviceConfig device = Device(devices[d], devicePlace);
        device.adapter = static_cast<uint8_t>(a);
        if (!taken.insert({device.adapter, device.id, device.lun}).second)
          Throw(devicePlace, "a second device at id " + std::to_string(device.id) + " lun " +
                                 std::to_string(device.lun));
        bus.devices.push_back(std::move(device));
      }
    }
    return bus;
  }

 private:
  [[noreturn]] static void Throw(const std::string& place, const std::string& problem) {
    throw DescriptionError{place, problem};
  }

  static void Keys(const json& object, const std::string& place, std::set<std::string> known) {
    for (auto it = object.begin(); it != object.end(); ++it)
      if (!known.count(it.key())) Throw(place, "unknown key \"" + it.key() + "\"");
  }

  static std::string Text(const json& value, const std::string& place) {
    if (!value.is_string()) Throw(place, "must be a text");
    return value.get<std::string>();
  }

  // Numbers may be written as JSON numbers or as texts: "0x2A", "2Ah", "42".
  static uint64_t Number(const json& value, const std::string& place, uint64_t max) {
    uint64_t number = 0;
    if (value.is_number_unsigned()) {
      number = value.get<uint64_t>();
    } else if (value.is_number_integer()) {
      Throw(place, "must not be negative");
    } else if (value.is_string()) {
      std::string text = value.get<std::string>();
      int base = 10;
      if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text = text.substr(2);
        base = 16;
      } else if (!text.empty() && (text.back() == 'h' || text.back() == 'H')) {
        text.pop_back();
        base = 16;
      }
      char* end = nullptr;
      errno = 0;
      number = std::strtoull(text.c_str(), &end, base);
      if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-')
        Throw(place, "\"" + value.get<std::string>() + "\" is not a number");
    } else {
      Throw(place, "must be a number");
    }
    if (number > max) Throw(place, std::to_string(number) + " is above the largest value " + std::to_string(max));
    return number;
  }

  static bool Flag(const json& value, const std::string& place) {
    if (!value.is_boolean()) Throw(place, "must be true or false");
    return value.get<bool>();
  }

  std::string Path(const std::string& path) const {
    if (path.empty() || path[0] == '/' || baseDir_.empty()) return path;
    return baseDir_ + "/" + path;
  }

  static std::optional<std::string> IdText(const json& device, const char* key, const std::string& place,
                                           size_t width) {
    if (!device.contains(key)) return std::nullopt;
    // INQUIRY texts are byte fields: a character up to U+00FF is one byte.
    std::optional<std::string> text = Latin1(Text(device[key], place + "." + key));
    if (!text) Throw(place + "." + key, "only characters up to U+00FF fit a byte of an INQUIRY text");
    if (text->size() > width)
      Throw(place + "." + key, "longer than " + std::to_string(width) + " characters");
    return text;
  }

  DeviceConfig Device(const json& device, const std::string& place) {
    if (!device.is_object()) Throw(place, "must be an object");
    Keys(device, place, {"id", "lun", "model", "vendor", "product", "revision", "mecha", "medium",
                         "faults", "speed", "timing", "firmware_mode"});
    DeviceConfig config;
    if (!device.contains("id")) Throw(place, "the key \"id\" is missing");
    config.id = static_cast<uint8_t>(Number(device["id"], place + ".id", 15));
    if (device.contains("lun")) config.lun = static_cast<uint8_t>(Number(device["lun"], place + ".lun", 7));
    if (!device.contains("model")) Throw(place, "the key \"model\" is missing");
    std::string model = Text(device["model"], place + ".model");
    config.model = FindModel(model);
    if (config.model == nullptr)
      Throw(place + ".model", "unknown model \"" + model + "\" (known: " + ModelNames() + ")");
    config.vendor = IdText(device, "vendor", place, 8);
    config.product = IdText(device, "product", place, 16);
    config.revision = IdText(device, "revision", place, 4);
    config.mecha = IdText(device, "mecha", place, 4);
    if (device.contains("medium")) config.medium = Medium(device["medium"], place + ".medium", *config.model);
    if (device.contains("faults")) config.faults = FaultList(device["faults"], place + ".faults");
    if (device.contains("speed")) {
      const json& speed = device["speed"];
      if (!speed.is_number() || speed.get<double>() <= 0)
        Throw(place + ".speed", "must be a number above 0 (multiples of 1,385,000 bytes per second)");
      config.speed = speed.get<double>();
    }
    if (device.contains("timing")) config.timing = TimingOf(device["timing"], place + ".timing");
    if (device.contains("firmware_mode")) {
      std::string mode = Text(device["firmware_mode"], place + ".firmware_mode");
      auto parsed = FirmwareModeNamed(mode);
      if (!parsed) Throw(place + ".firmware_mode", "unknown mode \"" + mode + "\" (known: normal, boot, loader)");
      if (config.model->firmware != FirmwareKind::Type1 && *parsed != FirmwareMode::Normal)
        Throw(place + ".firmware_mode", "only a qxw7200 has boot and loader modes");
      config.firmwareMode = *parsed;
    }
    return config;
  }

  MediumConfig Medium(const json& medium, const std::string& place, const ModelSpec& model) {
    if (!medium.is_object()) Throw(place, "must be an object with \"kind\"");
    Keys(medium, place, {"kind", "path", "sectors", "writable", "block_size", "filemarks", "record_size"});
    MediumConfig config;
    if (!medium.contains("kind")) Throw(place, "the key \"kind\" is missing");
    std::string kind = Text(medium["kind"], place + ".kind");
    if (kind == "none") config.kind = MediumKind::None;
    else if (kind == "dvd-r") config.kind = MediumKind::DvdR;
    else if (kind == "dvd-rw") config.kind = MediumKind::DvdRw;
    else if (kind == "dvd+r") config.kind = MediumKind::DvdPlusR;
    else if (kind == "image") config.kind = MediumKind::Image;
    else Throw(place + ".kind", "unknown kind \"" + kind + "\" (known: none, dvd-r, dvd-rw, dvd+r, image)");
    bool writer = model.family == ModelFamily::DvdWriter || model.family == ModelFamily::MmcRecorder;
    if (IsRecordable(config.kind) && !writer)
      Throw(place + ".kind", "a " + std::string(model.name) + " takes no blank " + kind + " disc");
    if (config.kind == MediumKind::DvdPlusR && model.family != ModelFamily::MmcRecorder)
      Throw(place + ".kind", "a " + std::string(model.name) + " takes no DVD+R disc");
    if (medium.contains("path")) config.path = Path(Text(medium["path"], place + ".path"));
    if (medium.contains("sectors"))
      config.sectors = Number(medium["sectors"], place + ".sectors", 0xFFFFFFFFull);
    if (config.sectors && *config.sectors == 0) Throw(place + ".sectors", "must be above 0");
    if (medium.contains("writable")) config.writable = Flag(medium["writable"], place + ".writable");
    if (medium.contains("block_size")) {
      config.blockSize = static_cast<uint32_t>(Number(medium["block_size"], place + ".block_size", 65536));
      if (config.blockSize == 0 || 32768 % config.blockSize != 0)
        Throw(place + ".block_size", "must divide 32768");
    }
    if (medium.contains("record_size"))
      config.recordSize = static_cast<uint32_t>(Number(medium["record_size"], place + ".record_size", 0xFFFFFF));
    if (medium.contains("filemarks")) {
      const json& marks = medium["filemarks"];
      if (!marks.is_array()) Throw(place + ".filemarks", "must be a list of byte positions");
      for (size_t i = 0; i < marks.size(); ++i)
        config.filemarks.push_back(
            Number(marks[i], place + ".filemarks[" + std::to_string(i) + "]", 0xFFFFFFFFFFFFull));
    }
    if (config.kind == MediumKind::Image && config.path.empty() && model.family == ModelFamily::DvdRom)
      Throw(place + ".path", "an image medium of a dvd-rom needs a \"path\"");
    if (config.kind == MediumKind::Image && config.path.empty() && model.family == ModelFamily::Tape)
      Throw(place + ".path", "a tape medium needs a \"path\"");
    return config;
  }

  static Sense SenseOf(const json& value, const std::string& place) {
    std::vector<uint64_t> parts;
    if (value.is_array()) {
      if (value.size() != 3) Throw(place, "must hold three values: key, ASC, ASCQ");
      for (size_t i = 0; i < 3; ++i) parts.push_back(Number(value[i], place + "[" + std::to_string(i) + "]", 255));
    } else if (value.is_string()) {
      std::stringstream text(value.get<std::string>());
      std::string part;
      while (std::getline(text, part, '/')) parts.push_back(Number(json("0x" + part), place, 255));
      if (parts.size() != 3) Throw(place, "must be written key/ASC/ASCQ in hexadecimal, as \"03/0C/00\"");
    } else {
      Throw(place, "must be \"KK/AA/QQ\" or a list of three numbers");
    }
    if (parts[0] > 15) Throw(place, "a sense key is at most 0F");
    return Sense{static_cast<uint8_t>(parts[0]), static_cast<uint8_t>(parts[1]), static_cast<uint8_t>(parts[2])};
  }

  std::vector<FaultRule> FaultList(const json& faults, const std::string& place) {
    if (!faults.is_array()) Throw(place, "must be a list of faults");
    std::vector<FaultRule> rules;
    for (size_t i = 0; i < faults.size(); ++i) rules.push_back(Fault(faults[i], place + "[" + std::to_string(i) + "]"));
    return rules;
  }

  FaultRule Fault(const json& fault, const std::string& place) {
    if (!fault.is_object()) Throw(place, "must be an object with \"kind\"");
    Keys(fault, place, {"kind", "opcode", "lba", "buffer", "first", "from", "sense", "byte21", "polls", "factor", "until"});
    if (!fault.contains("kind")) Throw(place, "the key \"kind\" is missing");
    FaultRule rule;
    std::string kind = Text(fault["kind"], place + ".kind");
    if (kind == "sense") rule.kind = FaultKind::Sense;
    else if (kind == "hang") rule.kind = FaultKind::Hang;
    else if (kind == "busy") rule.kind = FaultKind::Busy;
    else if (kind == "not-ready") rule.kind = FaultKind::NotReady;
    else if (kind == "support-not-initialised") rule.kind = FaultKind::SupportNotInitialised;
    else if (kind == "corrupt") rule.kind = FaultKind::Corrupt;
    else if (kind == "held") rule.kind = FaultKind::Held;
    else if (kind == "slow") rule.kind = FaultKind::Slow;
    else if (kind == "gate") rule.kind = FaultKind::Gate;
    else
      Throw(place + ".kind", "unknown fault \"" + kind +
                                 "\" (known: sense, hang, gate, busy, not-ready, support-not-initialised, corrupt, slow, held)");
    if (fault.contains("opcode")) rule.opcode = static_cast<uint8_t>(Number(fault["opcode"], place + ".opcode", 255));
    if (fault.contains("lba")) {
      const json& lba = fault["lba"];
      if (!lba.is_array() || lba.size() != 2) Throw(place + ".lba", "must be [first, last]");
      uint64_t first = Number(lba[0], place + ".lba[0]", 0xFFFFFFFFull);
      uint64_t last = Number(lba[1], place + ".lba[1]", 0xFFFFFFFFull);
      if (last < first) Throw(place + ".lba", "the last block comes before the first");
      rule.blocks = BlockRange{static_cast<uint32_t>(first), static_cast<uint32_t>(last - first + 1)};
    }
    if (fault.contains("buffer")) rule.bufferId = static_cast<uint8_t>(Number(fault["buffer"], place + ".buffer", 255));
    if (fault.contains("first")) rule.firstTimes = static_cast<uint32_t>(Number(fault["first"], place + ".first", 0xFFFFFFFFull));
    if (fault.contains("from")) rule.fromTime = static_cast<uint32_t>(Number(fault["from"], place + ".from", 0xFFFFFFFFull));
    if (fault.contains("byte21")) rule.vendorByte21 = static_cast<uint8_t>(Number(fault["byte21"], place + ".byte21", 255));
    if (rule.kind == FaultKind::Sense) {
      if (!fault.contains("sense")) Throw(place, "a sense fault needs \"sense\"");
      rule.sense = SenseOf(fault["sense"], place + ".sense");
    }
    if (fault.contains("factor")) {
      if (rule.kind != FaultKind::Slow) Throw(place + ".factor", "only a slow fault takes a factor");
      rule.factor = static_cast<uint32_t>(Number(fault["factor"], place + ".factor", 10000));
      if (rule.factor < 2) Throw(place + ".factor", "must be at least 2");
    }
    if (rule.kind == FaultKind::Gate) {
      if (!fault.contains("until")) Throw(place, "a gate fault needs \"until\", the file that releases it");
      rule.until = Path(Text(fault["until"], place + ".until"));
    }
    if (rule.kind == FaultKind::NotReady) {
      if (!fault.contains("polls")) Throw(place, "a not-ready fault needs \"polls\"");
      rule.polls = static_cast<uint32_t>(Number(fault["polls"], place + ".polls", 0xFFFFFFFFull));
      rule.sense = fault.contains("sense") ? SenseOf(fault["sense"], place + ".sense") : kNotReadyBecomingReady;
    }
    return rule;
  }

  static Timing TimingOf(const json& timing, const std::string& place) {
    if (!timing.is_object()) Throw(place, "must be an object");
    Keys(timing, place, {"load_ms", "close_ms", "blank_ms", "power_cycle_ms"});
    Timing result;
    auto take = [&](const char* key, uint32_t& field) {
      if (timing.contains(key)) field = static_cast<uint32_t>(Number(timing[key], place + "." + key, 86400000));
    };
    take("load_ms", result.loadMs);
    take("close_ms", result.closeMs);
    take("blank_ms", result.blankMs);
    take("power_cycle_ms", result.powerCycleMs);
    return result;
  }

  std::string baseDir_;
};

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

DescriptionResult ParseBusDescription(std::string_view text, const std::string& fileName,
                                      const std::string& baseDir) {
  DescriptionResult result;
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& error) {
    std::string problem = error.what();
    auto detail = problem.find("syntax error");
    if (detail != std::string::npos) problem = problem.substr(detail);
    result.error = Message(fileName, LineAndColumn(text, error.byte), problem);
    return result;
  } catch (const json::exception& error) {
    // A number the reader cannot hold ("1e400"): the message quotes it, and
    // its first appearance in the text is the place.
    result.error = Message(fileName, PlaceOfQuoted(text, error.what()), WithoutTag(error.what()));
    return result;
  }
  try {
    result.bus = Reader(baseDir).Bus(root);
  } catch (const DescriptionError& error) {
    result.error = Message(fileName, error.place, error.problem);
  } catch (const json::exception& error) {
    result.error = Message(fileName, "$", error.what());
  }
  return result;
}

DescriptionResult LoadBusDescription(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) {
    DescriptionResult result;
    result.error = Message(fileName, "$", "the file cannot be read");
    return result;
  }
  std::stringstream text;
  text << file.rdbuf();
  return ParseBusDescription(text.str(), fileName, FolderOf(fileName));
}

std::string DefaultStateDir() {
  if (const char* dir = std::getenv("MARROWLIGHT_SIMBUS_STATE"); dir != nullptr && *dir != '\0') return dir;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/')
    return std::string(xdg) + "/marrowlight/simbus";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
    return std::string(home) + "/.local/state/marrowlight/simbus";
  return "/tmp/marrowlight-simbus";
}

BusConfig DefaultBus() {
  BusConfig bus;
  bus.adapterCount = 1;
  auto add = [&](uint8_t id, std::string_view model, MediumConfig medium) {
    DeviceConfig device;
    device.id = id;
    device.model = FindModel(model);
    device.medium = std::move(medium);
    bus.devices.push_back(std::move(device));
    return &bus.devices.back();
  };
  // Scan order is list order: the sample disc of the DVD-ROM drive comes
  // first, so a first start offers it as the Write page's source; the empty
  // disk comes after the writers.
  MediumConfig sample;
  sample.kind = MediumKind::Image;
  sample.sampleImage = true;
  add(2, "dvd-rom", sample);
  MediumConfig dvdr;
  dvdr.kind = MediumKind::DvdR;
  add(4, "qxw7100", dvdr)->revision = "1.07";
  MediumConfig dvdrw;
  dvdrw.kind = MediumKind::DvdRw;
  add(5, "qxw7200", dvdrw);
  MediumConfig disk;
  disk.kind = MediumKind::Image;
  disk.sectors = 131072;  // 64 MiB of 512-byte blocks
  disk.writable = true;
  add(6, "disk", disk);
  return bus;
}

BusConfig BusFromEnvironment(std::string* error) {
  BusConfig bus;
  const char* path = std::getenv("MARROWLIGHT_SIMBUS");
  if (path == nullptr || *path == '\0') {
    bus = DefaultBus();
  } else {
    DescriptionResult result = LoadBusDescription(path);
    if (!result.bus) {
      if (error != nullptr) *error = result.error;
      bus = BusConfig{};
    } else {
      bus = std::move(*result.bus);
    }
  }
  if (bus.stateDir.empty()) bus.stateDir = DefaultStateDir();
  return bus;
}

}  // namespace simbus
