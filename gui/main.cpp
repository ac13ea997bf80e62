// marrowlight: the windowed program. The start-up order: the system
// information header, the logging switch and log place from the command
// line, the GUI toolkit, then the main window (whose construction creates the
// log window, shows the splash and scans the devices) and the dialogs after
// it; then the event loop runs until the person confirms "Quit?".
#include <exception>

#include "app/ProgramStart.h"
#include "base/SystemInfo.h"
#include "gui/GuiThread.h"
#include "gui/ProgramApplication.h"
#include "gui/ProgramDialogs.h"
#include "gui/QtUi.h"
#include "gui/TFormMain.h"
#include "volume/VolSizeChoice.h"

int main(int argc, char** argv) {
  BuildSystemInfo();
  // Read before the toolkit takes its own arguments out of argv.
  const StartOptions options = ReadStartOptions(argc, argv);
  ProgramApplication application(argc, argv);
  gui::QtUi qt;
  ui::ScopedBackend person(qt);
  gui::GuiDispatcher dispatcher;
  try {
    VolSizeChoice volumeSizes;
    ProgramDialogs dialogs(volumeSizes);
    TFormMain formMain(options, dialogs, volumeSizes);
    formMain.show();
    application.exec();
  } catch (const std::exception& e) {
    ShowException(e.what());
  }
  return 0;
}
