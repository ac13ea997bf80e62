// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Log.h"

#include <utility>

#include "base/ProgramIdentity.h"
#include "base/SystemInfo.h"
#include "host/os/FileHandle.h"
#include "host/os/Platform.h"

// What waits for the delivery thread: view events in the order they happened.
struct LogSink::Pending {
  enum class Kind { Clear, Entry, SwitchedOn, SwitchedOff };
  struct Event {
    Kind kind;
    std::string text;
  };
  std::vector<Event> events;
};

LogSink::LogSink(std::string logFilePath, std::string systemInfo)
    : logFilePath_(std::move(logFilePath)),
      systemInfo_(std::move(systemInfo)),
      file_(std::make_unique<host::FileHandle>()),
      pending_(std::make_unique<Pending>()) {
  delivery_ = std::thread([this] { Deliver(); });
}

LogSink::~LogSink() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  delivery_.join();
}

void LogSink::SetView(LogView* view) {
  std::lock_guard lock(viewMutex_);
  view_ = view;
}

void LogSink::Add(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (!outputOn_) return;
  OpenLogFile();
  if (text.empty()) return;
  TraceOut(text);
  Post(false, std::string(text), false);
  // A file that could not be created is not written to: the reason to tell
  // is the one of its creation.
  bool written = fileOpen_ && WriteLine(text);
  if (!written) SwitchOffAfterFailure();
}

void LogSink::SwitchOffAfterFailure() {
  // A log that cannot be written (or created, or grow past a file size
  // limit) switches itself off with one message; the program goes on.
  std::string reason = file_->LastErrorText();
  std::string message = "Logging is off: " + logFilePath_ + (fileOpen_ ? " cannot be written" : " cannot be created") +
                        (reason.empty() ? "." : " (" + reason + ").");
  outputOn_ = false;
  Post(false, message, false);
  Post(false, {}, true);
  host::WriteStderr(message + "\n");
}

void LogSink::OpenLogFile() {
  if (!fileOpen_) {
    // Never through a symbolic link: whoever may place one beside the program
    // would make it overwrite any file its user may write.
    bool created = file_->Open(logFilePath_, host::kGenericRead | host::kGenericWrite, host::kFileShareRead,
                               host::kCreateAlways, host::kOpenNoFollow);
    Post(true, {}, false);
    if (!created) return;
    fileOpen_ = true;
  }
  if (headerWritten_ || systemInfo_.empty()) return;
  Post(false, systemInfo_, false);
  WriteLine(systemInfo_);
  TraceOut(systemInfo_);
  headerWritten_ = true;
}

bool LogSink::WriteLine(std::string_view text) {
  // One write per entry with its line end, so a failing file is noticed once.
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text).append("\r\n");
  uint32_t written = 0;
  return file_->Write(line.data(), static_cast<uint32_t>(line.size()), &written) && written == line.size();
}

void LogSink::SetOutput(bool on) {
  std::lock_guard lock(mutex_);
  if (outputOn_ == on) return;
  outputOn_ = on;
  Post(false, {}, true);
}

bool LogSink::OutputOn() const {
  std::lock_guard lock(mutex_);
  return outputOn_;
}

void LogSink::Post(bool clear, std::string entry, bool switched) {
  using Kind = Pending::Kind;
  Kind kind = clear ? Kind::Clear : switched ? (outputOn_ ? Kind::SwitchedOn : Kind::SwitchedOff) : Kind::Entry;
  pending_->events.push_back({kind, std::move(entry)});
  ++posted_;
  wake_.notify_one();
}

void LogSink::Flush() {
  std::unique_lock lock(mutex_);
  uint64_t target = posted_;
  delivered_.wait(lock, [&] { return handed_ >= target; });
}

void LogSink::Deliver() {
  using Kind = Pending::Kind;
  std::vector<Pending::Event> events;
  std::vector<std::string> batch;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !pending_->events.empty(); });
      if (pending_->events.empty() && stopping_) return;
      events.swap(pending_->events);
    }
    {
      std::lock_guard viewLock(viewMutex_);
      bool clearFirst = false;
      auto handBatch = [&] {
        if (view_ && (clearFirst || !batch.empty())) view_->AppendEntries(clearFirst, batch);
        batch.clear();
        clearFirst = false;
      };
      for (Pending::Event& event : events) {
        switch (event.kind) {
          case Kind::Clear:
            batch.clear();  // entries before a clear would vanish at once
            clearFirst = true;
            break;
          case Kind::Entry: batch.push_back(std::move(event.text)); break;
          case Kind::SwitchedOn:
          case Kind::SwitchedOff:
            handBatch();
            if (view_) view_->LoggingSwitched(event.kind == Kind::SwitchedOn);
            break;
        }
      }
      handBatch();
    }
    {
      std::lock_guard lock(mutex_);
      handed_ += events.size();
    }
    events.clear();
    delivered_.notify_all();
  }
}

namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<LogSink>& InstalledSink() {
  static std::unique_ptr<LogSink> sink;
  return sink;
}

std::mutex& TraceMutex() {
  static std::mutex mutex;
  return mutex;
}

TraceWriter& InstalledTraceWriter() {
  static TraceWriter writer;
  return writer;
}

void WriteTrace(std::string_view text) {
  TraceWriter& writer = InstalledTraceWriter();
  if (writer) writer(text);
  else host::WriteStdout(text);
}

}  // namespace

LogSink& Log() {
  std::lock_guard lock(SinkMutex());
  std::unique_ptr<LogSink>& sink = InstalledSink();
  if (!sink) sink = std::make_unique<LogSink>(DefaultLogFilePath(), SystemInfoText());
  return *sink;
}

void InstallLogSink(std::unique_ptr<LogSink> sink) {
  std::unique_ptr<LogSink> previous;
  {
    std::lock_guard lock(SinkMutex());
    previous = std::exchange(InstalledSink(), std::move(sink));
  }
}

void AddLog(const char* text) { Log().Add(text ? std::string_view(text) : std::string_view()); }
void AddLog(const std::string& text) { Log().Add(text); }
void SetLogOutput(bool on) { Log().SetOutput(on); }
bool LogOutputOn() { return Log().OutputOn(); }

void TraceOut(std::string_view text) {
  std::lock_guard lock(TraceMutex());
  WriteTrace(text);
}

void TraceOut(std::string_view text1, std::string_view text2) {
  std::lock_guard lock(TraceMutex());
  WriteTrace(text1);
  WriteTrace(text2);
}

TraceWriter SetTraceWriter(TraceWriter writer) {
  std::lock_guard lock(TraceMutex());
  return std::exchange(InstalledTraceWriter(), std::move(writer));
}
