// SPDX-License-Identifier: GPL-3.0-or-later
// marrowlight: the windowed program. The start-up order: the system
// information header, the logging and trace switches and log place from the
// command line, the GUI toolkit, the SCSI manager (--manager sim|sg|PATH or the saved
// choice), then the main window (whose construction creates the
// log window, shows the splash and scans the devices) and the dialogs after
// it; an image named on the command line becomes the Write page's source;
// then the event loop runs until the person confirms "Quit?".
#include <exception>

#include "app/ManagerChoice.h"
#include "app/ProgramStart.h"
#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "base/SystemInfo.h"
#include "base/VerboseTrace.h"
#include "gui/GuiThread.h"
#include "gui/ManagerSetting.h"
#include "gui/ProgramApplication.h"
#include "gui/ProgramDialogs.h"
#include "gui/QtUi.h"
#include "gui/TFormMain.h"
#include "gui/TerminationWatch.h"
#include "host/os/Interrupt.h"
#include "host/os/Platform.h"
#include "volume/VolSizeChoice.h"

int main(int argc, char** argv) {
  host::IgnoreFileSizeSignal();
  BuildSystemInfo();
  // Read before the toolkit takes its own arguments out of argv.
  const StartOptions options = ReadStartOptions(argc, argv);
  // --version needs no display: it is answered before the toolkit starts.
  if (options.version) {
    host::WriteStdout(VersionText());
    return 0;
  }
  // The terminal the windows were started from sees the log (every entry on
  // a line of its own) only when asked; the log file and window keep all.
  SetTraceWriter([trace = options.trace, lines = VerboseTrace()](std::string_view text) mutable {
    if (trace) lines(text);
  });
  ProgramApplication application(argc, argv);
  const std::string image = ImageArgument(argc, argv);
  gui::QtUi qt;
  ui::ScopedBackend person(qt);
  gui::GuiDispatcher dispatcher;
  // The SCSI manager: --manager, else MARROWLIGHT_ASPI, else the saved
  // choice, else the simulated bus. A choice that cannot be used is said
  // and the program goes on with what was in force.
  std::string managerError;
  if (!ApplyStartupManagerChoice(argc, argv, SavedManagerChoice(), &managerError))
    ui::MessageBox(managerError, ProgramName, ui::kIconError);
  try {
    VolSizeChoice volumeSizes;
    ProgramDialogs dialogs(volumeSizes);
    // From here on SIGTERM, SIGINT and SIGHUP cancel and end, never kill.
    TerminationWatch termination(dialogs);
    TFormMain formMain(options, dialogs, volumeSizes);
    if (!image.empty()) formMain.OpenImage(image);
    formMain.show();
    application.exec();
  } catch (const std::exception& e) {
    ShowException(e.what());
  }
  return 0;
}
