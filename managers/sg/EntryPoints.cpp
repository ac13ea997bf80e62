// The SCSI generic manager's entry points (contract in host/aspi/AspiSrb.h),
// the only symbols libmarrowlight-sg.so exports.
#include "host/aspi/AspiSrb.h"
#include "managers/sg/Bus.h"
#include "managers/sg/ManagerLog.h"

#define SG_EXPORT extern "C" __attribute__((visibility("default")))

SG_EXPORT uint32_t GetASPI32SupportInfo(void) { return sg::Bus::Instance().SupportInfo(); }

SG_EXPORT uint32_t SendASPI32Command(void* block) { return sg::Bus::Instance().Send(block); }

SG_EXPORT void SetASPI32LogSink(aspi::LogSinkFn sink) { sg::SetLogSink(sink); }

static_assert(sizeof(&GetASPI32SupportInfo) == sizeof(aspi::GetSupportInfoFn));
static_assert(sizeof(&SetASPI32LogSink) == sizeof(aspi::SetLogSinkFn));
