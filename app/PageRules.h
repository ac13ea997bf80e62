// SPDX-License-Identifier: GPL-3.0-or-later
// The enabled state of the main window's two pages: which combo boxes, file
// edits, Browse buttons and start buttons a person can use, as the radio
// buttons and the device lists found at start-up leave them. The window
// copies the state onto its controls after every change; the rules know
// nothing of widgets.
//
// The start buttons are state of their own: some radio clicks leave them as
// they are (choosing "[FILE]" as the Write page's source never disables
// Write), so the order of the clicks matters, as it does for a person.
#pragma once

// The Write page. devices: the scan found at least one source (S) and at
// least one writer (D); a scan that did not run found none.
class WritePageRules {
 public:
  struct State {
    bool sourceIsFile = false;    // RadioWrSrcFile chosen
    bool sourceCombo = false;     // CmbWrSrcScsi
    bool sourceFile = false;      // EditWrSrcFile, BtnWrSrcBrouse
    bool destinationCombo = true; // CmbWrDstScsi
    bool start = true;            // BtnWrite, BtnWrVerify
    bool writerActions = true;    // WrDevProperty, MenuWritePattern, MenuUpdateFirmware
  };

  // The state after the scan: without a writer the destination list, the
  // start buttons and the writer's actions are disabled; then RadioSourceScsi.
  WritePageRules(bool haveSources, bool haveWriters);

  void ChooseSourceScsi();  // RadioWrSrcScsiClick
  void ChooseSourceFile();  // RadioWrSrcFileClick
  const State& Now() const { return state_; }

 private:
  bool haveSources_;
  bool haveWriters_;
  State state_;
};

// The Copy page, with the same meaning of S and D for its own lists.
class CopyPageRules {
 public:
  struct State {
    bool sourceIsFile = false;       // RadioCpSrcFile chosen
    bool destinationIsFile = false;  // RadioCpDstFile chosen
    bool sourceCombo = false;        // CmbCpSrcScsi
    bool sourceFile = false;         // EditCpSrcFile, BtnCpSrcBrouse
    bool destinationCombo = false;   // CmbCpDstScsi
    bool destinationFile = false;    // EditCpDstFile, BtnCpDstBrouse
    bool start = true;               // BtnCopy, BtnCpVerify
  };

  // The state after the scan: RadioSourceScsi, then RadioDestinationScsi.
  CopyPageRules(bool haveSources, bool haveDestinations);

  void ChooseSourceScsi();       // RadioCpSrcScsiClick
  void ChooseSourceFile();       // RadioCpSrcFileClick
  void ChooseDestinationScsi();  // RadioCpDstScsiClick
  void ChooseDestinationFile();  // RadioCpDstFileClick
  const State& Now() const { return state_; }

 private:
  bool haveSources_;
  bool haveDestinations_;
  State state_;
};
