// SPDX-License-Identifier: GPL-3.0-or-later
// The log sink: one running log that every part of the program writes to.
//
// AddLog sends each entry, whole, to three places: the log view (the log
// window or whatever stands in for it), the log file beside the program
// (MarrowlightLog.txt, created at the first entry of a run with the system
// information header on top) and the trace output (standard output).
//
// AddLog is called from the GUI thread and from every worker at once. Entries
// never tear or interleave: the file and trace writes of one entry happen under
// one lock. The view gets its entries in batches on a delivery thread of the
// sink, so a slow view never holds up a worker.
//
// The sink writes its file through host::FileHandle, never through CFILE:
// CFILE reports its failures to the log, so it stands above it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace host {
class FileHandle;
}

// What the log window (or a test) implements. Calls come from the sink's
// delivery thread, one at a time, in the order the entries were added.
class LogView {
 public:
  virtual ~LogView() = default;
  // clearFirst: the view is emptied before these entries are shown (the log
  // file was just created).
  virtual void AppendEntries(bool clearFirst, const std::vector<std::string>& entries) = 0;
  // The logging switch changed (the "Do not output log" box).
  virtual void LoggingSwitched(bool on) = 0;
};

// The log state of one run: the log file, its header, the switch and the view.
class LogSink {
 public:
  // logFilePath: where the log file is created at the first entry.
  // systemInfo: the header written once at the top of the log.
  LogSink(std::string logFilePath, std::string systemInfo);
  ~LogSink();
  LogSink(const LogSink&) = delete;
  LogSink& operator=(const LogSink&) = delete;

  // The view may be changed at any time; nullptr drops view updates.
  void SetView(LogView* view);
  void Add(std::string_view text);
  void SetOutput(bool on);
  bool OutputOn() const;
  // Waits until every entry added so far has reached the view.
  void Flush();
  const std::string& LogFilePath() const { return logFilePath_; }

 private:
  struct Pending;
  void OpenLogFile();  // with mutex_ held
  bool WriteLine(std::string_view text);  // with mutex_ held; false when the file took less
  void SwitchOffAfterFailure();           // with mutex_ held
  void Post(bool clear, std::string entry, bool switched);  // with mutex_ held
  void Deliver();

  const std::string logFilePath_;
  const std::string systemInfo_;
  std::unique_ptr<host::FileHandle> file_;
  bool fileOpen_ = false;
  bool headerWritten_ = false;
  bool outputOn_ = true;

  mutable std::mutex mutex_;  // file, flags and pending batch
  std::condition_variable wake_;
  std::condition_variable delivered_;
  std::unique_ptr<Pending> pending_;
  uint64_t posted_ = 0;
  uint64_t handed_ = 0;
  bool stopping_ = false;
  std::mutex viewMutex_;
  LogView* view_ = nullptr;
  std::thread delivery_;
};

// The process-wide sink. Created on first use with the log file in the
// program's folder; InstallLogSink replaces it (tests, the front ends).
LogSink& Log();
void InstallLogSink(std::unique_ptr<LogSink> sink);

void AddLog(const char* text);
void AddLog(const std::string& text);
// on = true: logging on (the "Do not output log" box cleared).
void SetLogOutput(bool on);
bool LogOutputOn();

// Writes the text(s) unchanged to the standard output and flushes it.
void TraceOut(std::string_view text);
void TraceOut(std::string_view text1, std::string_view text2);
// Redirects the trace output (tests); an empty writer restores the standard
// output. Returns the previous writer.
using TraceWriter = std::function<void(std::string_view)>;
TraceWriter SetTraceWriter(TraceWriter writer);

// A hex dump of length bytes with an optional title, as log text; each data row
// also goes to TraceOut. A missing buffer ends the process with status 1.
std::string PrintDataBuffer(const void* buffer, uint32_t length, const char* title = nullptr);

// The logging switch from the command line: off when the first argument
// begins with "-nolog".
bool LoggingSwitchFromArguments(int argc, const char* const* argv);
