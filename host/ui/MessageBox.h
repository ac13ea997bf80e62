// SPDX-License-Identifier: GPL-3.0-or-later
// The person seam: every message box, file dialog and busy cursor that the
// core raises goes through here, so that the same code can face a window, a
// terminal or a test script.
//
// Contract for a Backend:
// - MessageBox(text, caption, flags) shows the box and returns the pressed
//   button (kIdOk, kIdCancel, kIdYes, kIdNo). flags are the values below,
//   OR-ed: one button set, one icon, optionally kDefButton2. It may be called
//   from any thread and must block that thread until answered; a GUI backend
//   marshals the box to its own thread.
// - FileDialog returns the chosen path, or nothing when the person cancels.
// - SetBusyCursor shows or clears the busy cursor; backends without one ignore
//   it. It may be called from any thread, as MessageBox.
// - MessageBox(..., question) shows a question its asker may take back while
//   it is open (OpenQuestion::Withdraw). A backend that can close its box
//   hands OpenQuestion a closer for as long as the box is shown; one that
//   cannot (a terminal, a script) answers as usual. A withdrawn question
//   answers the negative button.
// A backend is installed for the whole process; ScopedBackend installs one for
// a scope (a test) and restores the previous one.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace ui {

inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kOkCancel = 0x01;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefButton2 = 0x100;
inline constexpr unsigned kButtonMask = 0x0F;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;            // "Text files|*.txt|All files|*.*"
  std::string defaultExtension;  // added when the name has none
  std::string fileName;          // proposed name (a path: its folder is where the dialog opens)
  std::string folder;            // where the dialog opens when no name is proposed
};

// A question that may be taken back while it is open: the operation it asks
// about has ended meanwhile, so its answer no longer matters. Used on one
// thread (the one that asks and the one that withdraws are the GUI thread).
class OpenQuestion {
 public:
  // Closes the box if it is open; a box not shown yet is not shown at all.
  void Withdraw();
  bool Withdrawn() const { return withdrawn_; }
  // For backends: how to close the box while it is shown; empty once it is
  // closed.
  void SetCloser(std::function<void()> closer) { closer_ = std::move(closer); }

 private:
  bool withdrawn_ = false;
  std::function<void()> closer_;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags,
                         OpenQuestion& question);
  virtual std::optional<std::string> FileDialog(const FileDialogRequest& request);
  virtual void SetBusyCursor(bool busy);
};

int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
int MessageBox(const std::string& text, const std::string& caption, unsigned flags, OpenQuestion& question);
std::optional<std::string> FileDialog(const FileDialogRequest& request);
void SetBusyCursor(bool busy);

// The busy cursor for the life of the object, on any thread.
class BusyCursor {
 public:
  BusyCursor() { SetBusyCursor(true); }
  ~BusyCursor() { SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The answer a box gets when nobody can be asked: No for Yes/No, Cancel for
// OK/Cancel, OK for a plain box.
int NegativeAnswer(unsigned flags);
// The answer Yes or OK.
int PositiveAnswer(unsigned flags);
// The button that is the default of the box (second button with kDefButton2).
int DefaultAnswer(unsigned flags);

void InstallBackend(Backend* backend);
Backend* CurrentBackend();

class ScopedBackend {
 public:
  explicit ScopedBackend(Backend& backend);
  ~ScopedBackend();
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  Backend* previous_;
};

}  // namespace ui
