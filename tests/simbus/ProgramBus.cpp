#include "tests/simbus/ProgramBus.h"

#include <cstdlib>

#include "host/os/Platform.h"
#include "scsi/AspiManager.h"

namespace {

void Restore(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

}  // namespace

ProgramBus::ProgramBus(const std::string& devices)
    : ProgramBus(Whole{}, R"({"state_dir": "state", "adapters": [{"devices": [)" + devices + "]}]}") {}

ProgramBus::ProgramBus(Whole, const std::string& description) {
  Save();
  dir_.Write("bus.json", description);
  ::setenv("MARROWLIGHT_SIMBUS", DescriptionPath().c_str(), 1);
  ResetAspiManagerForTesting();
}

ProgramBus::ProgramBus(Default) {
  Save();
  ::unsetenv("MARROWLIGHT_SIMBUS");
  ResetAspiManagerForTesting();
}

void ProgramBus::Save() {
  previousAspi_ = host::GetEnvironment("MARROWLIGHT_ASPI");
  previousBus_ = host::GetEnvironment("MARROWLIGHT_SIMBUS");
  previousState_ = host::GetEnvironment("MARROWLIGHT_SIMBUS_STATE");
  ::setenv("MARROWLIGHT_ASPI", SIMBUS_LIBRARY, 1);
  ::setenv("MARROWLIGHT_SIMBUS_STATE", StateDir().c_str(), 1);
}

ProgramBus ProgramBus::DefaultBus() { return ProgramBus(Default{}); }

ProgramBus ProgramBus::WithDescription(const std::string& description) { return ProgramBus(Whole{}, description); }

ProgramBus::~ProgramBus() {
  ResetAspiManagerForTesting();
  Restore("MARROWLIGHT_ASPI", previousAspi_);
  Restore("MARROWLIGHT_SIMBUS", previousBus_);
  Restore("MARROWLIGHT_SIMBUS_STATE", previousState_);
}

void ProgramBus::Restart() { ResetAspiManagerForTesting(); }
