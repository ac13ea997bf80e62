// SPDX-License-Identifier: GPL-3.0-or-later
// The speed graph of an operation's passes, fed with progress reports as a
// dialog receives them: repeated and late reports, passes in turn, the
// drive's rates.
#include <gtest/gtest.h>

#include "transfer/PassGraph.h"

namespace {

PassProgress Report(uint32_t pass, int phase, uint64_t start, uint64_t done, double speed, bool pattern = false) {
  PassProgress report;
  report.writer = {0, 4, 0};
  report.pass = pass;
  report.phase = phase;
  report.pattern = pattern;
  report.position = start + done;
  report.done = done;
  report.total = 1'000'000;
  report.bytesPerSecond = speed;
  report.seconds = static_cast<double>(done) / 100'000;
  return report;
}

}  // namespace

TEST(PassGraph, KeepsOneTraceOfSamplesPerPassInOrder) {
  PassGraph graph;
  EXPECT_FALSE(graph.Add(PassProgress{})) << "before the first pass";
  EXPECT_TRUE(graph.Add(Report(1, 0, 0, 0, 0))) << "a pass begins";
  EXPECT_FALSE(graph.HasSamples()) << "no speed yet";
  EXPECT_TRUE(graph.Add(Report(1, 0, 0, 100'000, 2e6)));
  EXPECT_FALSE(graph.Add(Report(1, 0, 0, 100'000, 2e6))) << "the same place again";
  EXPECT_TRUE(graph.Add(Report(1, 0, 0, 500'000, 3e6)));
  PassProgress end = Report(1, 0, 0, 1'000'000, 3e6);
  end.ended = true;
  EXPECT_TRUE(graph.Add(end));
  // The write pass, then a late report of the test pass, then the verify
  // of a volume at 32,768 on the disc.
  EXPECT_TRUE(graph.Add(Report(2, 1, 0, 200'000, 4e6)));
  EXPECT_FALSE(graph.Add(Report(1, 0, 0, 900'000, 3e6)));
  EXPECT_TRUE(graph.Add(Report(3, 3, 32768, 0, 0)));
  EXPECT_TRUE(graph.Add(Report(3, 3, 32768, 400'000, 8e6)));

  ASSERT_EQ(graph.Passes().size(), 3u);
  const PassTrace& test = graph.Passes()[0];
  EXPECT_EQ(test.phase, 0);
  EXPECT_TRUE(test.ended);
  ASSERT_EQ(test.samples.size(), 3u);
  EXPECT_EQ(test.samples[1].position, 500'000u);
  EXPECT_EQ(test.samples[1].bytesPerSecond, 3e6);
  EXPECT_EQ(test.samples[1].seconds, 5.0);
  EXPECT_EQ(graph.Passes()[1].samples.size(), 1u);
  EXPECT_TRUE(graph.Passes()[1].ended) << "the verify has begun";
  EXPECT_FALSE(graph.Passes()[2].ended);
  EXPECT_EQ(graph.Passes()[2].start, 32768u);
  EXPECT_EQ(graph.Passes()[2].writer, (aspi::ScsiAddress{0, 4, 0}));

  graph.AddLevel("drive 4x", 4 * chart::kDvd1xBytesPerSecond);
  graph.AddLevel("unknown", 0);
  chart::SpeedChart chart = graph.Chart("Write DVD image: Test & Write & Verify");
  EXPECT_EQ(chart.extent, 32768u + 1'000'000u);
  ASSERT_EQ(chart.series.size(), 3u);
  EXPECT_EQ(chart.series[0].kind, chart::SeriesKind::Test);
  EXPECT_EQ(chart.series[1].kind, chart::SeriesKind::Write);
  EXPECT_EQ(chart.series[2].kind, chart::SeriesKind::Verify);
  EXPECT_EQ(chart.series[2].points, (std::vector<chart::Point>{{432768, 8e6}}));
  ASSERT_EQ(chart.levels.size(), 1u) << "a rate of 0 is no rate";
  EXPECT_EQ(chart.TopSpeed(), 8e6);

  graph.Clear();
  EXPECT_TRUE(graph.Passes().empty());
  EXPECT_TRUE(graph.Chart("").levels.empty());
}

TEST(PassGraph, ALongPassKeepsAboutTwoThousandSamples) {
  PassGraph graph;
  const uint64_t total = 4'700'000'000;
  for (uint64_t done = 0; done <= total; done += 65536 * 16) {
    PassProgress report = Report(1, 1, 0, done, 2e7);
    report.total = total;
    graph.Add(report);
  }
  PassProgress end = Report(1, 1, 0, total, 2e7);
  end.total = total;
  graph.Add(end);
  const std::vector<PassSample>& samples = graph.Passes()[0].samples;
  EXPECT_LE(samples.size(), PassGraph::kSamplesPerPass + 1);
  EXPECT_GE(samples.size(), PassGraph::kSamplesPerPass / 2);
  EXPECT_EQ(samples.back().position, total) << "the pass's last sample is kept";
  for (size_t i = 1; i + 1 < samples.size(); ++i)
    EXPECT_GE(samples[i].position - samples[i - 1].position, total / PassGraph::kSamplesPerPass);
}

