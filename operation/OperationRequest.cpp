// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation/OperationRequest.h"

#include "base/NumberText.h"
#include "base/ProgramIdentity.h"
#include "base/TextFormat.h"
#include "devices/SCSIDEV.h"
#include "host/ui/MessageBox.h"

OperationRequest OperationRequest::Pattern(Operation operation, SCSIDEV& writer) {
  OperationRequest request;
  request.operation = operation;
  request.pattern = true;
  request.destination = Endpoint(writer);
  return request;
}

void OverrideVolumeSize(VolumeInfo& volume, uint64_t bytes) {
  volume.volumeSize = bytes;
  volume.lbCount = LbCountOf(bytes);
}

bool SidesDiffer(const OperationRequest& request) {
  if (request.pattern) return true;
  const Endpoint& from = request.source;
  const Endpoint& to = request.destination;
  // Files are compared as the person wrote them; the file layer refuses a
  // destination that is the source under another spelling when it opens it.
  if (from.IsFile() && to.IsFile() && from.file == to.file) {
    ui::MessageBox("Sorce file is same with destination file.", ProgramName, ui::kIconError);
    return false;
  }
  // Copying a device onto itself would overwrite the volume with itself,
  // shifted by its offset.
  if (from.IsDevice() && to.IsDevice() && from.device->Address() == to.device->Address()) {
    ui::MessageBox("Source device is same with destination device.", ProgramName, ui::kIconError);
    return false;
  }
  return true;
}

DiscSideUse DiscSideUseOf(const OperationRequest& request) {
  const Operation operation = request.operation;
  DiscSideUse use;
  use.writes = Has(operation, opcode::kWrite) || Has(operation, opcode::kTest) ||
               (Has(operation, opcode::kCopy) && request.destination.IsDevice());
  use.reads = Has(operation, opcode::kVerify) || !use.writes;
  return use;
}
