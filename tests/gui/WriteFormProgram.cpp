// marrowlight-write-form: the operation dialog as a program of its own, for
// the run under Xvfb: a windowed process on the simulated bus (the manager
// beside it), Qt's message boxes and the log file beside the program, as the
// windowed program has them. It checks an image file as the main window's
// Write button does and opens the dialog on the given operation; it ends
// when the dialog is closed.
//
// usage: marrowlight-write-form IMAGE HA,ID,LUN MODE
//   MODE: the operation's script name (write, write-verify, test-write-verify ...)
// Exit status: 0 "Operation done.", 1 anything else, 2 usage or no writer.
#include <QApplication>
#include <cstdio>

#include "base/Log.h"
#include "base/SystemInfo.h"
#include "devices/CreateDevice.h"
#include "gui/GuiThread.h"
#include "gui/QtUi.h"
#include "gui/TWriteForm.h"
#include "transfer/OperationRequest.h"
#include "volume/CheckHeader.h"
#include "volume/VolSizeChoice.h"

int main(int argc, char** argv) {
  unsigned ha = 0, id = 0, lun = 0;
  if (argc != 4 || std::sscanf(argv[2], "%u,%u,%u", &ha, &id, &lun) != 3) {
    std::fprintf(stderr, "usage: %s IMAGE HA,ID,LUN MODE\n", argv[0]);
    return 2;
  }
  std::optional<Operation> operation = OperationNamed(OperationFamily::Write, argv[3]);
  if (!operation) {
    std::fprintf(stderr, "unknown mode %s\n", argv[3]);
    return 2;
  }
  BuildSystemInfo();
  SetLogOutput(true);
  QApplication application(argc, argv);
  gui::QtUi qt;
  ui::ScopedBackend person(qt);
  gui::GuiDispatcher dispatcher;

  CreatedDevice writer = CreateDevice(static_cast<uint8_t>(ha), static_cast<uint8_t>(id), static_cast<uint8_t>(lun));
  if (!writer.found) {
    std::fprintf(stderr, "no device at %s\n", argv[2]);
    return 2;
  }
  VolSizeChoice sizes;
  OperationRequest request;
  request.operation = *operation;
  request.source = Endpoint(std::string(argv[1]));
  request.destination = Endpoint(*writer.device);
  if (!CheckHeader(request.source.file, sizes, request.volume)) return 1;

  TWriteForm form(sizes);
  form.ShowOperation(request);
  bool done = form.LastOutcome() && form.LastOutcome()->result == OperationResult::Done;
  return done ? 0 : 1;
}
