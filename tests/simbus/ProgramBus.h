// ProgramBus: the simulated bus as the program meets it. It writes a bus
// description into a temporary folder (with the state folder beside it),
// points the program's manager loader at libwnaspi32.so and unloads any
// manager loaded before, so that the next request channel (ASPI32) loads the
// library afresh and builds this bus. When the object ends the manager is
// unloaded and the environment restored. Tests then use only the program's
// transport and device classes.
#pragma once

#include <optional>
#include <string>

#include "tests/fixtures/TempDir.h"

class ProgramBus {
 public:
  // devices: the JSON objects of adapter 0's device list, comma-separated.
  explicit ProgramBus(const std::string& devices);
  // A whole description, written as it is (a broken one too).
  static ProgramBus WithDescription(const std::string& description);
  // No description: the built-in default bus (its state still in the folder).
  static ProgramBus DefaultBus();
  ~ProgramBus();
  ProgramBus(const ProgramBus&) = delete;
  ProgramBus& operator=(const ProgramBus&) = delete;
  ProgramBus(ProgramBus&&) = delete;

  // Unloads the manager, as the end of a run does; the next request channel
  // starts the bus again from the description and the state folder.
  void Restart();
  const TempDir& Dir() const { return dir_; }
  std::string StateDir() const { return dir_.File("state"); }
  std::string DescriptionPath() const { return dir_.File("bus.json"); }

 private:
  struct Whole {};
  struct Default {};
  ProgramBus(Whole, const std::string& description);
  explicit ProgramBus(Default);
  void Save();

  TempDir dir_;
  std::optional<std::string> previousAspi_, previousBus_, previousState_;
};
