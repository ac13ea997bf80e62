// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PageRules.h"

WritePageRules::WritePageRules(bool haveSources, bool haveWriters)
    : haveSources_(haveSources), haveWriters_(haveWriters) {
  if (!haveWriters_) {
    state_.destinationCombo = false;
    state_.start = false;
    state_.writerActions = false;
  }
  ChooseSourceScsi();
}

void WritePageRules::ChooseSourceScsi() {
  state_.sourceIsFile = false;
  state_.sourceFile = false;
  state_.sourceCombo = haveSources_;
  state_.start = haveSources_ && haveWriters_;
}

void WritePageRules::ChooseSourceFile() {
  state_.sourceIsFile = true;
  state_.sourceCombo = false;
  state_.sourceFile = true;
  // A file needs only a writer; without one the buttons stay as they are.
  if (haveWriters_) state_.start = true;
}

CopyPageRules::CopyPageRules(bool haveSources, bool haveDestinations)
    : haveSources_(haveSources), haveDestinations_(haveDestinations) {
  ChooseSourceScsi();
  ChooseDestinationScsi();
}

void CopyPageRules::ChooseSourceScsi() {
  state_.sourceIsFile = false;
  state_.sourceFile = false;
  state_.sourceCombo = haveSources_;
  if (!haveSources_) {
    state_.start = false;
    return;
  }
  state_.start = (!state_.destinationIsFile && haveDestinations_) || state_.destinationIsFile;
}

void CopyPageRules::ChooseSourceFile() {
  state_.sourceIsFile = true;
  state_.sourceCombo = false;
  state_.sourceFile = true;
  if ((!state_.destinationIsFile && haveDestinations_) || state_.destinationIsFile) state_.start = true;
}

void CopyPageRules::ChooseDestinationScsi() {
  state_.destinationIsFile = false;
  state_.destinationFile = false;
  state_.destinationCombo = haveDestinations_;
  if (!haveDestinations_) {
    state_.start = false;
    return;
  }
  state_.start = (!state_.sourceIsFile && haveSources_) || state_.sourceIsFile;
}

void CopyPageRules::ChooseDestinationFile() {
  state_.destinationIsFile = true;
  state_.destinationCombo = false;
  state_.destinationFile = true;
  if ((!state_.sourceIsFile && haveSources_) || state_.sourceIsFile) state_.start = true;
}
