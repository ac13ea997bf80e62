// SPDX-License-Identifier: GPL-3.0-or-later
// Disc records as files: a record read back holds what was written; every
// kind of malformed record is refused with a text that says what is wrong;
// names, the folder rule, writing beside an earlier record and onto a file
// the person named; a record a disc can be verified against.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/ProgramIdentity.h"
#include "records/RecordStore.h"
#include "tests/fixtures/ScriptedUiGuard.h"
#include "tests/fixtures/TempDir.h"

namespace {

const std::string kDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

DiscRecord FullRecord() {
  DiscRecord record;
  record.program = "Marrowlight Ver2.00";
  record.started = "2024-05-01T12:30:05Z";
  record.ended = "2024-05-01T12:41:17Z";
  record.operation = "write";
  record.mode = "test-write-verify";
  record.result = "differences";
  record.source = {"file", "/images/a b.iso", std::nullopt};
  record.volumeName = "ARCHIVE 7";
  record.volumeOffset = 32768;
  record.volumeSize = 4'700'000'001;
  record.sha256 = kDigest;
  record.writer = {"device", {}, RecordDevice{"0,4,0", "HALVERN", "DVD-R QXW-7100", "1.07"}};
  record.medium = RecordMedium{"DVD-R", 4'707'319'808, "MCC 03RG20"};
  record.passes = {{"write", "done", 212.5, 4'700'000'001}, {"verify", "done", 200.0, 4'700'000'001}};
  record.verified = true;
  record.differences = 2;
  record.firstDifferences = {{0, 65536}, {131072, 196608}};
  record.speedSamples = {{"write", 1.5, 20'000'000, 13'300'000.5}};
  return record;
}

// A record text with one change made to the JSON of FullRecord.
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = RecordText(FullRecord());
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(DiscRecord, ReadsBackWhatWasWritten) {
  std::string error;
  std::optional<DiscRecord> read = ParseRecord(RecordText(FullRecord()), error);
  ASSERT_TRUE(read) << error;
  const DiscRecord want = FullRecord();
  EXPECT_EQ(RecordText(*read), RecordText(want));
  EXPECT_EQ(read->volumeSize, 4'700'000'001u);
  EXPECT_EQ(read->writer.device->revision, "1.07");
  EXPECT_EQ(read->medium->manufacturer, "MCC 03RG20");
  ASSERT_EQ(read->firstDifferences.size(), 2u);
  EXPECT_EQ(read->firstDifferences[1].to, 196608u);
  EXPECT_DOUBLE_EQ(read->passes[0].AverageBytesPerSecond(), 4'700'000'001 / 212.5);

  // What the file holds, field by field, as scripts will read it.
  const std::string text = RecordText(want);
  for (const char* part : {"\"format\": \"marrowlight-disc-record\"", "\"version\": 1", "\"size\": 4700000001",
                           "\"sha256\": \"ba7816bf", "\"address\": \"0,4,0\"", "\"average_bytes_per_second\"",
                           "\"first_differences\"", "\"speed_samples\""})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  // Without samples the array is left out; a record without a digest or a
  // medium says so with null.
  DiscRecord plain = want;
  plain.speedSamples.clear();
  plain.sha256.clear();
  plain.medium.reset();
  const std::string plainText = RecordText(plain);
  EXPECT_EQ(plainText.find("speed_samples"), std::string::npos);
  EXPECT_NE(plainText.find("\"sha256\": null"), std::string::npos);
  EXPECT_NE(plainText.find("\"medium\": null"), std::string::npos);
  ASSERT_TRUE(ParseRecord(plainText, error)) << error;
}

TEST(DiscRecord, MalformedRecordsAreRefusedWithTheirFault) {
  struct Case {
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"", "It is not JSON."},
      {"{\"format\": ", "It is not JSON."},
      {"[1, 2]", "The record is not an object."},
      {"{}", "The record has no \"format\"."},
      {Edited("marrowlight-disc-record", "something-else"), "It is not a Marrowlight disc record"},
      {Edited("\"version\": 1", "\"version\": 2"), "It is a record of version 2; this program reads version 1."},
      {Edited("\"version\": 1", "\"version\": \"1\""), "\"version\" of the record is not a whole number"},
      {Edited("\"source\": {", "\"origin\": {"), "The record has no \"source\"."},
      {Edited("\"size\": 4700000001", "\"size\": -1"), "\"size\" of \"source\" is not a whole number"},
      {Edited("\"size\": 4700000001", "\"size\": 1.5"), "\"size\" of \"source\" is not a whole number"},
      {Edited("\"size\": 4700000001", "\"bytes\": 1"), "\"source\" has no \"size\"."},
      {Edited(kDigest, kDigest.substr(1)), "\"sha256\" of \"source\" is not 64 hexadecimal digits."},
      {Edited("\"sha256\": \"" + kDigest + "\"", "\"sha256\": 7"), "\"sha256\" of \"source\" is not a text."},
      {Edited("\"passes\": [", "\"passes\": 7, \"steps\": ["), "\"passes\" of the record is not a list."},
      {Edited("\"kind\": \"file\"", "\"kind\": false"), "\"kind\" of \"source\" is not a text."},
      {Edited("\"first_differences\": [", "\"first_differences\": [7, "), "A difference is not an object."},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseRecord(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << error << "\nfor\n" << c.text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(DiscRecord, FilesThatCannotBeVerifiedAgainst) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(ReadVerifiableRecord(dir.File("missing.json"), error));
  EXPECT_EQ(error, "The record " + dir.File("missing.json") + " cannot be read: it does not exist.");
  EXPECT_FALSE(ReadVerifiableRecord(dir.Path(), error));
  EXPECT_NE(error.find("it is not a file"), std::string::npos) << error;
  EXPECT_FALSE(ReadVerifiableRecord(dir.Write("huge.json", std::string((1 << 20) + 1, ' ')), error));
  EXPECT_NE(error.find("larger than a record can be"), std::string::npos) << error;
  EXPECT_FALSE(ReadVerifiableRecord(dir.Write("bad.json", "{\"format\": 1}"), error));
  EXPECT_EQ(error.rfind("The record " + dir.File("bad.json") + " cannot be used: ", 0), 0u) << error;

  DiscRecord failed = FullRecord();
  failed.sha256.clear();
  EXPECT_FALSE(ReadVerifiableRecord(dir.Write("failed.json", RecordText(failed)), error));
  EXPECT_NE(error.find("holds no SHA-256 of its volume"), std::string::npos) << error;

  std::optional<DiscRecord> good = ReadVerifiableRecord(dir.Write("good.json", RecordText(FullRecord())), error);
  ASSERT_TRUE(good) << error;
  EXPECT_EQ(good->sha256, kDigest);
}

TEST(DiscRecord, FolderNamesAndWriting) {
  using Env = std::optional<std::string>;
  EXPECT_EQ(RecordsFolder(Env("/data"), Env("/home/me")), "/data/marrowlight/records");
  EXPECT_EQ(RecordsFolder(Env("relative"), Env("/home/me")), "/home/me/.local/share/marrowlight/records");
  EXPECT_EQ(RecordsFolder(Env(""), Env("/home/me")), "/home/me/.local/share/marrowlight/records");
  EXPECT_EQ(RecordsFolder(std::nullopt, std::nullopt), "");

  DiscRecord record = FullRecord();
  EXPECT_EQ(RecordFileName(record), "20240501-123005_ARCHIVE_7_0-4-0.json");
  record.writer = {"file", "/tmp/copy of.iso", std::nullopt};
  record.volumeName = "   ";
  EXPECT_EQ(RecordFileName(record), "20240501-123005_none_copy_of.iso.json");

  // Two records of one second stand side by side (the test main points
  // XDG_DATA_HOME at the run's own folder).
  record = FullRecord();
  std::string first, second, error;
  ASSERT_TRUE(WriteRecord(record, "", first, error)) << error;
  ASSERT_TRUE(WriteRecord(record, "", second, error)) << error;
  EXPECT_EQ(std::filesystem::path(first).parent_path().string(), DefaultRecordsFolder());
  EXPECT_NE(first, second);
  EXPECT_EQ(second.substr(second.size() - 7), "-2.json");
  EXPECT_EQ(TempDir::Read(second), RecordText(record));
  size_t listed = 0;
  for (const ListedRecord& item : ListRecords(DefaultRecordsFolder())) listed += item.path == first || item.path == second;
  EXPECT_EQ(listed, 2u);

  // A file the person named: an existing one is replaced only on Yes.
  TempDir dir;
  const std::string named = dir.Write("named.json", "keep me");
  ScriptedUiGuard ui;
  ui.Expect(named + " already exists.\r\nDo you wish to overwrite it?", ProgramName, 0x124, 7);
  EXPECT_FALSE(WriteRecord(record, named, first, error));
  EXPECT_EQ(TempDir::Read(named), "keep me");
  EXPECT_NE(error.find("exists and was kept"), std::string::npos);
  ui.Expect(named + " already exists.\r\nDo you wish to overwrite it?", ProgramName, 0x124, 6);
  ASSERT_TRUE(WriteRecord(record, named, first, error)) << error;
  EXPECT_EQ(first, named);
  EXPECT_EQ(TempDir::Read(named), RecordText(record));
}
