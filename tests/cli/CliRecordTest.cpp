// SPDX-License-Identifier: GPL-3.0-or-later
// Disc records and digests from the command line: a write leaves a record
// whose SHA-256 is sha256sum's of the image; the disc verifies against the
// record and against the digest alone, and no longer once the drive returns
// one sector changed; records that cannot be used end with status 2; the
// records are listed; --record puts a record where the person says.
#include <gtest/gtest.h>

#include <map>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/CliBus.h"
#include "tests/fixtures/Images.h"

namespace {

const char* const kWriters = R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192}},
  {"id": 5, "model": "qxw7200", "medium": {"kind": "dvd-rw", "sectors": 8192}})";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> RecordFiles(const CliBus& bus) {
  std::vector<std::string> files;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(bus.File("data/marrowlight/records"), ignored))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The record a run names on its "Record: " line.
std::string RecordOf(const ProcessResult& result) {
  const size_t at = result.out.find("Record: ");
  if (at == std::string::npos) return {};
  return result.out.substr(at + 8, result.out.find('\n', at) - at - 8);
}

}  // namespace

TEST(CliRecord, WriteRecordsTheDigestAndTheDiscVerifiesAgainstItUntilASectorReadsBack) {
  CliBus bus(kWriters);
  // An image whose size is no whole number of sectors: the digest covers the
  // image's bytes, not the padding the disc gets.
  std::string bytes = TempDir::Read(MakeGenisoImage(bus.Dir().Path(), "g.iso", "RECORDED", 1024 * 1024));
  bytes += std::string(1000, 'x');
  const std::string image = bus.Dir().Write("odd.iso", bytes);
  const std::string sha256 = Sha256sum(image);
  ASSERT_EQ(sha256.size(), 64u);

  ProcessResult written = bus.Run({"write", image, "0,4,0", "--mode", "write-verify"});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_TRUE(Has(written.out, "SHA-256: " + sha256 + "\n")) << written.out;
  EXPECT_TRUE(Has(written.err, "[Marrowlight] Operation done.\n    SHA-256 of the volume: " + sha256)) << written.err;
  std::vector<std::string> files = RecordFiles(bus);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(Has(written.out, "Record: " + files[0] + "\n")) << written.out;
  EXPECT_TRUE(Has(files[0], "_RECORDED_0-4-0.json")) << files[0];

  nlohmann::json record = nlohmann::json::parse(TempDir::Read(files[0]));
  EXPECT_EQ(record["source"]["sha256"], sha256);
  EXPECT_EQ(record["source"]["size"], bytes.size());
  EXPECT_EQ(record["source"]["kind"], "file");
  EXPECT_EQ(record["source"]["path"], image);
  EXPECT_EQ(record["source"]["volume_name"], "RECORDED");
  EXPECT_EQ(record["writer"]["address"], "0,4,0");
  EXPECT_EQ(record["writer"]["vendor"], "HALVERN");
  EXPECT_EQ(record["writer"]["revision"], "1.07");
  EXPECT_EQ(record["operation"], "write");
  EXPECT_EQ(record["mode"], "write-verify");
  EXPECT_EQ(record["result"], "done");
  // The maker's writer names the medium by its disc information and gives
  // no manufacturer identity.
  EXPECT_EQ(record["medium"]["type"], "DVD-R");
  EXPECT_TRUE(record["medium"]["manufacturer"].is_null());
  EXPECT_EQ(record["medium"]["capacity"], 8192u * 2048);
  ASSERT_EQ(record["passes"].size(), 2u);
  EXPECT_EQ(record["passes"][0]["step"], "write");
  EXPECT_EQ(record["passes"][1]["step"], "verify");
  EXPECT_EQ(record["passes"][1]["bytes"], bytes.size());
  EXPECT_EQ(record["verify"]["differences"], 0);
  // The speed samples of both passes, each within the volume; the last of
  // each pass at its end.
  std::map<std::string, uint64_t> lastPosition;
  for (const nlohmann::json& sample : record["speed_samples"]) {
    EXPECT_LE(sample["position"].get<uint64_t>(), bytes.size());
    lastPosition[sample["step"].get<std::string>()] = sample["position"].get<uint64_t>();
  }
  EXPECT_EQ(lastPosition, (std::map<std::string, uint64_t>{{"verify", bytes.size()}, {"write", bytes.size()}}));

  ProcessResult verified = bus.Run({"verify", "0,4,0", "--from-record", files[0]});
  EXPECT_EQ(verified.status, 0) << verified.err;
  EXPECT_TRUE(Has(verified.out, "SHA-256: " + sha256 + "\n")) << verified.out;
  // The verify left a record of its own, which names the record it used.
  EXPECT_EQ(RecordFiles(bus).size(), 2u);
  ASSERT_NE(RecordOf(verified), files[0]);
  nlohmann::json verifyRecord = nlohmann::json::parse(TempDir::Read(RecordOf(verified)));
  EXPECT_EQ(verifyRecord["operation"], "verify-record");
  EXPECT_EQ(verifyRecord["source"]["kind"], "record");
  EXPECT_EQ(verifyRecord["verify"]["expected_sha256"], sha256);

  // The drive now returns sector 100 with a byte changed.
  bus.Dir().Write("bus.json", std::string(R"({"state_dir": "state", "adapters": [{"devices": [)") +
                                  R"({"id": 4, "model": "qxw7100", "revision": "1.07", "medium": {"kind": "dvd-r", "sectors": 8192},)"
                                  R"( "faults": [{"kind": "corrupt", "lba": [100, 100]}]}]}]})");
  ProcessResult corrupted = bus.Run({"verify", "0,4,0", "--from-record", files[0]});
  EXPECT_EQ(corrupted.status, 4) << corrupted.err;
  EXPECT_TRUE(Has(corrupted.err, "Verify: The SHA-256 of the disc's volume differs from the recorded one.")) << corrupted.err;
  EXPECT_TRUE(Has(corrupted.err, "Recorded: " + sha256)) << corrupted.err;
  EXPECT_FALSE(Has(corrupted.out, "SHA-256: " + sha256)) << corrupted.out;
  nlohmann::json failedVerify = nlohmann::json::parse(TempDir::Read(RecordOf(corrupted)));
  EXPECT_EQ(failedVerify["result"], "differences");
  EXPECT_EQ(failedVerify["verify"]["differences"], 1);
}

TEST(CliRecord, VerifyAgainstADigestTakesTheSizeOfTheDiscsOwnVolume) {
  // Another maker's recorder with a DVD+R, which names its manufacturer.
  CliBus bus(std::string(kWriters) +
             R"(, {"id": 6, "model": "mmc-recorder", "medium": {"kind": "dvd+r", "sectors": 8192}})");
  const std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "BY_DIGEST", 1024 * 1024);
  const std::string sha256 = Sha256sum(image);
  ASSERT_EQ(bus.Run({"write", image, "0,5,0", "--mode", "write"}).status, 0);
  ProcessResult plus = bus.Run({"write", image, "0,6,0", "--mode", "write-verify"});
  ASSERT_EQ(plus.status, 0) << plus.err;
  nlohmann::json plusRecord = nlohmann::json::parse(TempDir::Read(RecordOf(plus)));
  EXPECT_EQ(plusRecord["medium"]["type"], "DVD+R");
  EXPECT_EQ(plusRecord["medium"]["manufacturer"], "SIMDISC/R01");
  EXPECT_EQ(bus.Run({"verify", "0,6,0", "--sha256", sha256}).status, 0);

  ProcessResult same = bus.Run({"verify", "0,5,0", "--sha256", sha256});
  EXPECT_EQ(same.status, 0) << same.err;
  std::string other = sha256;
  other[0] = other[0] == '0' ? '1' : '0';
  ProcessResult different = bus.Run({"verify", "0,5,0", "--sha256", other});
  EXPECT_EQ(different.status, 4) << different.err;

  // A disc that holds less than the recorded volume differs without being read.
  const std::string big = bus.Dir().Write("big.json", [&] {
    nlohmann::json record = nlohmann::json::parse(TempDir::Read(RecordOf(plus)));
    record["source"]["size"] = 8193u * 2048;
    return record.dump();
  }());
  ProcessResult larger = bus.Run({"verify", "0,6,0", "--from-record", big});
  EXPECT_EQ(larger.status, 4) << larger.err;
  EXPECT_TRUE(Has(larger.err, "fewer than the 16,779,264 bytes of the recorded volume")) << larger.err;
}

TEST(CliRecord, RecordsThatCannotBeUsedAndWrongWordsEndWithStatus2) {
  CliBus bus(kWriters);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const std::string good = R"({"format": "marrowlight-disc-record", "version": 1, "source": {"kind": "file", "size": 2048, "sha256": null}})";
  const Case cases[] = {
      {{"verify", "0,4,0", "--from-record", bus.File("missing.json")}, "cannot be read: it does not exist."},
      {{"verify", "0,4,0", "--from-record", bus.Dir().Write("text.json", "not a record")}, "It is not JSON."},
      {{"verify", "0,4,0", "--from-record", bus.Dir().Write("other.json", R"({"format": "x"})")},
       "It is not a Marrowlight disc record"},
      {{"verify", "0,4,0", "--from-record", bus.Dir().Write("nodigest.json", good)}, "holds no SHA-256 of its volume"},
      {{"verify", "0,4,0", "--sha256", "abc"}, "--sha256 takes the volume's SHA-256: 64 hexadecimal digits."},
      {{"verify", "./0,4,0", "--sha256", "abc"}, "DEVICE is a SCSI address written HA,ID,LUN."},
      {{"verify", "0,4,0"}, "one of them is needed"},
      {{"verify", "0,4,0", "--sha256", std::string(64, 'a'), "--from-record", "x.json"}, "excludes"},
  };
  for (const Case& c : cases) {
    ProcessResult result = bus.Run(c.args);
    EXPECT_EQ(result.status, 2) << c.args.back() << "\n" << result.err;
    EXPECT_TRUE(Has(result.err, c.says)) << result.err;
  }
  EXPECT_TRUE(RecordFiles(bus).empty()) << "nothing ran, so nothing was recorded";
}

TEST(CliRecord, RecordsAreListedAndRecordPutsOneWhereThePersonSays) {
  CliBus bus(kWriters);
  ProcessResult none = bus.Run({"records"});
  EXPECT_EQ(none.status, 0);
  EXPECT_TRUE(Has(none.out, "No disc records in " + bus.File("data/marrowlight/records") + ".")) << none.out;

  const std::string image = MakeGenisoImage(bus.Dir().Path(), "g.iso", "LISTED", 512 * 1024);
  ASSERT_EQ(bus.Run({"write", image, "0,4,0", "--mode", "write"}).status, 0);
  ASSERT_EQ(bus.Run({"copy", image, bus.File("copy.iso"), "--mode", "copy", "--record", bus.File("mine.json")}).status,
            0);
  // The named file holds the copy's record; the folder only the write's.
  nlohmann::json mine = nlohmann::json::parse(TempDir::Read(bus.File("mine.json")));
  EXPECT_EQ(mine["operation"], "copy");
  EXPECT_EQ(mine["writer"]["path"], bus.File("copy.iso"));
  EXPECT_EQ(mine["source"]["sha256"], Sha256sum(image));
  bus.Dir().Write("data/marrowlight/records/zz-broken.json", "{");

  ProcessResult listed = bus.Run({"records"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_TRUE(Has(listed.out, "  0,4,0 HALVERN DVD-R QXW-7100  \"LISTED\"  ")) << listed.out;
  EXPECT_TRUE(Has(listed.out, "write write  done\n")) << listed.out;
  EXPECT_TRUE(Has(listed.err, "zz-broken.json cannot be used: It is not JSON.")) << listed.err;

  ProcessResult json = bus.Run({"records", "--json"});
  ASSERT_EQ(json.status, 0);
  nlohmann::json out = nlohmann::json::parse(json.out);
  ASSERT_EQ(out["records"].size(), 2u);
  // The file that is no record has no start: it comes first.
  EXPECT_EQ(out["records"][0]["error"], "The record " + bus.File("data/marrowlight/records/zz-broken.json") +
                                            " cannot be used: It is not JSON.");
  EXPECT_EQ(out["records"][1]["volume"], "LISTED");
  EXPECT_EQ(out["records"][1]["disc"], "0,4,0 HALVERN DVD-R QXW-7100");
  EXPECT_EQ(out["records"][1]["result"], "done");
  EXPECT_EQ(out["records"][1]["sha256"], Sha256sum(image));
}
