// SPDX-License-Identifier: GPL-3.0-or-later
// QtUi: the person seam on the windows. Boxes and file dialogs are Qt's,
// shown modally over the active window; the busy cursor is the
// application's override cursor. A call from a worker thread is carried to
// the GUI thread and blocks only that worker. Once a signal has asked the
// program to end (host/os/Interrupt.h), no box is shown: each takes its
// cautious answer at once.
#pragma once

#include <string>

#include "host/ui/MessageBox.h"

class QMessageBox;
class QString;

namespace gui {

class QtUi : public ui::Backend {
 public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags,
                 ui::OpenQuestion& question) override;
  std::optional<std::string> FileDialog(const ui::FileDialogRequest& request) override;
  void SetBusyCursor(bool busy) override;
};

// The Qt box for a text, caption and flags (buttons, icon, default and
// escape button), unshown; the pressed button's id comes from BoxAnswer.
void SetUpBox(QMessageBox& box, const std::string& text, const std::string& caption, unsigned flags);
int BoxAnswer(const QMessageBox& box);
// The least width of a window whose title bar shows title uncut.
int TitleWidth(const QString& title);
// "Text files|*.txt|All files|*.*" as Qt writes it:
// "Text files (*.txt);;All files (*)".
std::string QtFilter(const std::string& filter);

}  // namespace gui
