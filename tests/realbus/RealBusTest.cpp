// SPDX-License-Identifier: GPL-3.0-or-later
// The program against real SCSI targets: boot-guest.sh boots a QEMU guest
// whose virtio-scsi controller carries QEMU's emulated CD-ROM drive and disk,
// and the program's own binaries (marrowlight-cli with --manager sg, and
// test_realbus_guest) run inside it, through the Linux SCSI midlayer and
// SG_IO. Two boots serve every test here: one with an ISO 9660 + UDF image
// (made by genisoimage) in the drive and an empty disk, one with an empty
// drive and no disk. Each test reads the sections of a boot's transcript
// (guest-lib.sh) and compares them with what the host knows of the image.
//
// Where no guest can start at all (QEMU or the kernel missing), the tests are
// skipped with the reason boot-guest.sh gave.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/fixtures/Images.h"
#include "tests/fixtures/Process.h"
#include "tests/fixtures/TempDir.h"

namespace {

constexpr int kCannotStart = 77;
constexpr const char* kVolume = "REALBUS_CD";
constexpr uint64_t kImagePayload = 3 * 1024 * 1024;
constexpr uint64_t kDiskBytes = 16 * 1024 * 1024;

struct Section {
  int status = -1;
  std::string out;
  std::string err;
};

struct GuestRun {
  int status = -1;
  std::string bootErrors;  // boot-guest.sh's own standard error
  std::map<std::string, Section> sections;

  bool Skipped() const { return status == kCannotStart; }
  // The section, or an empty one (with a failure) when the guest did not
  // get that far.
  const Section& Get(const std::string& name) const {
    static const Section missing;
    auto found = sections.find(name);
    if (found != sections.end()) return found->second;
    ADD_FAILURE() << "the guest printed no section " << name << "; boot-guest.sh said:\n" << bootErrors;
    return missing;
  }
};

// Splits a transcript at its "@@@ NAME ..." marker lines.
std::map<std::string, Section> ReadSections(const std::string& transcript) {
  std::map<std::string, Section> sections;
  Section* current = nullptr;
  std::string* part = nullptr;
  size_t at = 0;
  while (at < transcript.size()) {
    size_t end = transcript.find('\n', at);
    if (end == std::string::npos) end = transcript.size();
    const std::string line = transcript.substr(at, end - at);
    at = end + 1;
    if (line.rfind("@@@ ", 0) == 0) {
      const size_t space = line.find(' ', 4);
      const std::string name = line.substr(4, space - 4);
      const std::string what = space == std::string::npos ? "" : line.substr(space + 1);
      if (what.rfind("status ", 0) == 0) {
        current = &sections[name];
        current->status = std::stoi(what.substr(7));
        part = nullptr;
      } else if (current != nullptr && what == "stdout") {
        part = &current->out;
      } else if (current != nullptr && what == "stderr") {
        part = &current->err;
      } else {
        part = nullptr;
      }
      continue;
    }
    if (part != nullptr) *part += line + "\n";
  }
  // Each part ends with the line end the script added after it.
  for (auto& [name, section] : sections) {
    for (std::string* text : {&section.out, &section.err}) {
      if (!text->empty()) text->pop_back();
    }
  }
  return sections;
}

// The files both boots share, made once.
struct Images {
  Images() {
    iso = MakeGenisoImage(dir.Path(), "cd.iso", kVolume, kImagePayload);
    isoBytes = std::filesystem::file_size(iso);
    isoSum = ToolOutput("sha256sum < '" + iso + "'");
    payload = dir.File("payload");
    std::filesystem::create_directories(payload);
    for (const char* file : {MARROWLIGHT_CLI, SG_LIBRARY, GUEST_TESTS, REALBUS_DIR "/guest-lib.sh"}) {
      std::filesystem::copy_file(file, payload + "/" + std::filesystem::path(file).filename().string());
    }
    // The image the recorders are given to write.
    std::filesystem::copy_file(iso, payload + "/cd.iso");
    WriteEnvironment(0);
  }
  // realbus.env: what the guest scripts know of the image, and how many
  // recorders the boot has.
  void WriteEnvironment(int recorders) const {
    std::ofstream(payload + "/realbus.env") << "export ISO_BYTES=" << isoBytes
                                            << " REALBUS_CD_SECTORS=" << (isoBytes + 2047) / 2048
                                            << " REALBUS_VOLUME=" << kVolume << " RECORDERS=" << recorders << "\n";
  }
  TempDir dir;
  std::string iso;
  uint64_t isoBytes = 0;
  std::string isoSum;
  std::string payload;
};

Images& SharedImages() {
  static Images images;
  return images;
}

GuestRun Boot(const std::string& script, const std::vector<std::string>& drives) {
  std::vector<std::string> args = {REALBUS_DIR "/boot-guest.sh", "--payload", SharedImages().payload, "--script",
                                   std::string(REALBUS_DIR "/") + script};
  args.insert(args.end(), drives.begin(), drives.end());
  ProcessResult result = Process::Run("/bin/bash", args, {});
  GuestRun run;
  run.status = result.status;
  run.bootErrors = result.err;
  run.sections = ReadSections(result.out);
  if (run.Skipped()) std::cout << "Skipping the guest tests: " << result.err << std::flush;
  return run;
}

const GuestRun& LoadedGuest() {
  static const GuestRun run = [] {
    Images& images = SharedImages();
    const std::string disk = images.dir.File("disk.img");
    ResizeFile(disk, kDiskBytes);
    GuestRun boot = Boot("guest-loaded.sh", {"--cd", images.iso, "--disk", disk});
    // What the copy left on the disk, read on the host once QEMU is done.
    boot.sections["host-disk"].out = ToolOutput("head -c " + std::to_string(images.isoBytes) + " '" + disk +
                                                "' | sha256sum");
    return boot;
  }();
  return run;
}

// Five blank DVD+R recorders of tgt for the empty guest (0,3,0 to 0,7,0;
// the last three are recorded at once), when this machine can start them;
// stopped (and their backing files removed) at the end of the run.
struct Recorders {
  Recorders() {
    ProcessResult started = Process::Run("/bin/bash", {REALBUS_DIR "/tgt-target.sh", "start", dir.Path(), std::to_string(kCount)}, {});
    if (started.status != 0) {
      why = started.err.empty() ? "tgt-target.sh failed" : started.err;
      return;
    }
    for (size_t at = 0; at < started.out.size();) {
      size_t end = started.out.find('\n', at);
      urls.push_back(started.out.substr(at, end - at));
      at = end == std::string::npos ? started.out.size() : end + 1;
    }
  }
  ~Recorders() { Process::Run("/bin/bash", {REALBUS_DIR "/tgt-target.sh", "stop", dir.Path()}, {}); }
  static constexpr int kCount = 5;
  bool Running() const { return urls.size() == kCount; }
  std::string Disc(int k) const { return dir.File("disc" + std::to_string(k) + ".img"); }

  TempDir dir;
  std::vector<std::string> urls;
  std::string why;  // when not running
};

Recorders& SharedRecorders() {
  static Recorders recorders;
  return recorders;
}

const GuestRun& EmptyGuest() {
  static const GuestRun run = [] {
    Recorders& recorders = SharedRecorders();
    std::vector<std::string> drives = {"--cd", "empty"};
    for (const std::string& url : recorders.urls) drives.insert(drives.end(), {"--recorder", url});
    SharedImages().WriteEnvironment(recorders.Running() ? Recorders::kCount : 0);
    GuestRun boot = Boot("guest-empty.sh", drives);
    SharedImages().WriteEnvironment(0);
    return boot;
  }();
  return run;
}

#define SKIP_WITHOUT_RECORDERS()                                         \
  if (!SharedRecorders().Running()) GTEST_SKIP() << SharedRecorders().why

#define SKIP_WITHOUT_GUEST(run) \
  if ((run).Skipped()) GTEST_SKIP() << (run).bootErrors

std::vector<std::string> Column(const nlohmann::json& list, const char* key) {
  std::vector<std::string> out;
  for (const auto& entry : list) out.push_back(entry[key]);
  return out;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(RealBus, GuestScriptsRanToTheEnd) {
  for (const GuestRun* run : {&LoadedGuest(), &EmptyGuest()}) {
    SKIP_WITHOUT_GUEST(*run);
    EXPECT_EQ(run->status, 0) << run->bootErrors;
  }
}

TEST(RealBus, ScanListsTheCdAsASourceAndTheDiskAsADestination) {
  const GuestRun& run = LoadedGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& scan = run.Get("scan");
  ASSERT_EQ(scan.status, 0) << scan.err;
  const nlohmann::json lists = nlohmann::json::parse(scan.out);
  const nlohmann::json cd = {{"address", "0,0,0"}, {"vendor", "QEMU"}, {"product", "REALBUS CD-ROM"},
                             {"revision", "1.23"}, {"class", "SCSIDEV"}};
  ASSERT_FALSE(lists["copy_sources"].empty()) << scan.out;
  EXPECT_EQ(lists["copy_sources"][0], cd);
  EXPECT_EQ(lists["write_sources"][0], cd);
  EXPECT_EQ(Column(lists["copy_sources"], "address"), (std::vector<std::string>{"0,0,0", "0,1,0"}));
  EXPECT_EQ(Column(lists["copy_destinations"], "address"), std::vector<std::string>{"0,1,0"});
  EXPECT_EQ(Column(lists["copy_destinations"], "product"), std::vector<std::string>{"REALBUS DISK"});
  EXPECT_TRUE(lists["write_destinations"].empty()) << "QEMU's drive is not one of the maker's writers";

  // The manager's account of what it found, and the addresses where nothing
  // answers.
  EXPECT_TRUE(Has(scan.err, "[SCSI generic] Host adapter 0 is SCSI host 0 (virtio_scsi).")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "[SCSI generic] 0,0,0 is /dev/sg0, sg0 (0:0:0:0, QEMU REALBUS CD-ROM).")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "[SCSI generic] 0,1,0 is /dev/sg1, sg1 (0:0:1:0, QEMU REALBUS DISK).")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "Number of Host Adaptors: 1")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "now serching 0,0,0 ... QEMU    REALBUS CD-ROM  1.23")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "now serching 0,0,1 ... No device.")) << scan.err;
  EXPECT_TRUE(Has(scan.err, "now serching 0,15,0 ... No device.")) << scan.err;
}

TEST(RealBus, CheckOfTheCdIsCheckOfTheImage) {
  const GuestRun& run = LoadedGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& check = run.Get("check");
  ASSERT_EQ(check.status, 0) << check.err;
  ProcessResult host = Process::Run(MARROWLIGHT_CLI, {"--nolog", "check", SharedImages().iso, "--json"}, {});
  ASSERT_EQ(host.status, 0) << host.err;
  const nlohmann::json expected = nlohmann::json::parse(host.out);
  EXPECT_EQ(nlohmann::json::parse(check.out), expected);
  EXPECT_EQ(expected["volume_name"], kVolume);
  EXPECT_EQ(expected["volume_size"], SharedImages().isoBytes);
}

TEST(RealBus, CopiesWithVerifyToAFileAndToTheDiskHoldTheImage) {
  const GuestRun& run = LoadedGuest();
  SKIP_WITHOUT_GUEST(run);
  const std::string sum = SharedImages().isoSum;
  ASSERT_EQ(sum.size(), 68u) << sum;  // 64 digits, "  -", line end

  const Section& toFile = run.Get("copy-file");
  EXPECT_EQ(toFile.status, 0) << toFile.out << toFile.err;
  EXPECT_TRUE(Has(toFile.out + toFile.err, "Operation done.")) << toFile.err;
  EXPECT_EQ(run.Get("sum-file").out, sum.substr(0, 64) + "  /tmp/cd-copy.iso\n");

  const Section& toDisk = run.Get("copy-disk");
  EXPECT_EQ(toDisk.status, 0) << toDisk.out << toDisk.err;
  EXPECT_TRUE(Has(toDisk.out + toDisk.err, "Operation done.")) << toDisk.err;
  EXPECT_EQ(run.Get("sum-disk").out, sum) << "the kernel's block device in the guest";
  EXPECT_EQ(run.Get("host-disk").out, sum) << "the disk's image file on the host";
}

TEST(RealBus, ReadingPastTheEndFailsWithTheDecodedSense) {
  const GuestRun& run = LoadedGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& past = run.Get("past-end");
  EXPECT_EQ(past.status, 1);
  EXPECT_TRUE(Has(past.err, "Command: (28H) Read10")) << past.err;
  EXPECT_TRUE(Has(past.err, "Error Code: 5-21-00")) << past.err;
  EXPECT_TRUE(Has(past.err, "Illegal Request: Logical block address out of range.")) << past.err;
  EXPECT_TRUE(Has(past.err, "[SCSIDEV::Read] failed.")) << past.err;
  EXPECT_TRUE(Has(past.err, "Operation failed.")) << past.err;
}

TEST(RealBus, DeviceTestsPassInTheGuest) {
  const GuestRun& run = LoadedGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& tests = run.Get("device-tests");
  EXPECT_EQ(tests.status, 0) << tests.out << tests.err;
  EXPECT_TRUE(Has(tests.out, "[  PASSED  ] 4 tests.")) << tests.out;
}

TEST(RealBus, AnEmptyDriveFailsCleanly) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& scan = run.Get("scan");
  ASSERT_EQ(scan.status, 0) << scan.err;
  const nlohmann::json lists = nlohmann::json::parse(scan.out);
  const std::vector<std::string> sources =
      SharedRecorders().Running() ? std::vector<std::string>{"0,0,0", "0,3,0", "0,4,0", "0,5,0", "0,6,0", "0,7,0"}
                                  : std::vector<std::string>{"0,0,0"};
  EXPECT_EQ(Column(lists["copy_sources"], "address"), sources) << "a drive without a medium is still a source";
  EXPECT_TRUE(lists["copy_destinations"].empty());

  const char* noMedium = "[Marrowlight] Device read error.\n    A medium may not be in the source device.\n";
  const Section& check = run.Get("check");
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.err, noMedium);
  EXPECT_EQ(check.out, "");
  const Section& copy = run.Get("copy");
  EXPECT_EQ(copy.status, 1);
  // The copy says which source it checks before the check fails.
  EXPECT_EQ(copy.err, std::string("Checking 0,0,0 ...\n") + noMedium);
  EXPECT_NE(run.Get("copy-left").status, 0) << "no destination file is left behind";
}

TEST(RealBus, AddressesWithoutADeviceAnswerNoDevice) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  EXPECT_TRUE(Has(run.Get("scan").err, "now serching 0,1,0 ... No device.")) << run.Get("scan").err;
  const Section& target = run.Get("no-device");
  EXPECT_EQ(target.status, 1);
  EXPECT_EQ(target.err, "No device answers at 0,1,0.\n");
  const Section& adapter = run.Get("no-adapter");
  EXPECT_EQ(adapter.status, 1);
  EXPECT_EQ(adapter.err, "No device answers at 1,0,0.\n");
}

TEST(RealBus, AnInstalledProgramStartsOnTheRealDrives) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  const Section& scan = run.Get("installed");
  ASSERT_EQ(scan.status, 0) << scan.err;
  const nlohmann::json lists = nlohmann::json::parse(scan.out);
  EXPECT_EQ(lists["simulated_drives"], false);
  ASSERT_FALSE(lists["copy_sources"].empty()) << scan.out;
  EXPECT_EQ(lists["copy_sources"][0]["product"], "REALBUS CD-ROM");
}

// The recorders of tgt: an MMC implementation nobody here wrote, behind the
// guest kernel's SCSI midlayer.
TEST(RealBus, ScanListsTheRecordersAsWriters) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  SKIP_WITHOUT_RECORDERS();
  const Section& scan = run.Get("scan");
  ASSERT_EQ(scan.status, 0) << scan.err;
  const nlohmann::json lists = nlohmann::json::parse(scan.out);
  EXPECT_EQ(lists["simulated_drives"], false);
  ASSERT_EQ(lists["write_destinations"].size(), 5u) << scan.out;
  const nlohmann::json recorder = {{"address", "0,3,0"}, {"vendor", "IET"},       {"product", "VIRTUAL-CDROM"},
                                   {"revision", "0001"},  {"class", "MMCRECORDER"}, {"medium", "DVD+R"}};
  EXPECT_EQ(lists["write_destinations"][0], recorder);
  EXPECT_EQ(lists["write_destinations"][1]["address"], "0,4,0");
}

TEST(RealBus, ARecorderWritesAndVerifiesTheImageAndTheBackingFileHoldsIt) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  SKIP_WITHOUT_RECORDERS();
  const Section& write = run.Get("rec-write");
  EXPECT_EQ(write.status, 0) << write.out << write.err;
  EXPECT_TRUE(Has(write.err, "100% verified.") || Has(write.out + write.err, "Operation done.")) << write.err;
  EXPECT_TRUE(Has(write.out + write.err, "Operation done.")) << write.err;
  const std::string disc = SharedRecorders().Disc(1);
  ASSERT_TRUE(std::filesystem::exists(disc));
  EXPECT_EQ(std::filesystem::file_size(disc), SharedImages().isoBytes);
  EXPECT_EQ(ToolOutput("sha256sum < '" + disc + "'"), SharedImages().isoSum) << "the recorder's backing file";

  // The disc is closed: a second write is refused before anything is sent.
  const Section& second = run.Get("rec-second");
  EXPECT_EQ(second.status, 1);
  EXPECT_TRUE(Has(second.out + second.err,
                  "The disc in 0,3,0 (IET VIRTUAL-CDROM) is a DVD-ROM: it cannot be written. Insert a blank DVD-R, "
                  "DVD-RW or DVD+R and try again."))
      << second.err;
}

TEST(RealBus, ATestWriteOnDvdPlusRAndAHeldDriveAreRefusedBeforeAnythingIsWritten) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  SKIP_WITHOUT_RECORDERS();
  const Section& test = run.Get("rec-test");
  EXPECT_EQ(test.status, 1) << test.out << test.err;
  EXPECT_TRUE(Has(test.out + test.err,
                  "The DVD+R in 0,4,0 (IET VIRTUAL-CDROM) cannot be test written: a DVD+R has no test write."))
      << test.err;
  const Section& held = run.Get("rec-held");
  EXPECT_EQ(held.status, 1) << held.out << held.err;
  EXPECT_TRUE(Has(held.out + held.err, "0,4,0 (IET VIRTUAL-CDROM) is in use by another program: another program has "
                                       "/dev/sg"))
      << held.err;
  EXPECT_TRUE(Has(held.out + held.err, "Close that program (or unmount the disc) and try again.")) << held.err;
  EXPECT_EQ(std::filesystem::file_size(SharedRecorders().Disc(2)), 0u) << "nothing reached the second disc";

  // The node names the recorder: info by /dev/sgN.
  const Section& info = run.Get("rec-info");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_TRUE(Has(info.out, "SCSI address 0,4,0:  IET      VIRTUAL-CDROM    (Version 0001)")) << info.out;
  EXPECT_TRUE(Has(info.out, "Disc: DVD+R, blank")) << info.out;
}

// Three recorders of tgt recorded at once through the kernel: the image read
// once per pass, each backing file the image afterwards.
TEST(RealBus, ThreeRecordersAtOnceEachHoldTheImage) {
  const GuestRun& run = EmptyGuest();
  SKIP_WITHOUT_GUEST(run);
  SKIP_WITHOUT_RECORDERS();
  const Section& several = run.Get("rec-several");
  EXPECT_EQ(several.status, 0) << several.out << several.err;
  EXPECT_TRUE(Has(several.err, "3 of 3 discs done.")) << several.err;
  for (int k = 3; k <= 5; ++k) {
    const std::string disc = SharedRecorders().Disc(k);
    ASSERT_TRUE(std::filesystem::exists(disc)) << k;
    EXPECT_EQ(ToolOutput("sha256sum < '" + disc + "'"), SharedImages().isoSum) << "backing file " << k;
  }
}
