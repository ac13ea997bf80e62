// The manager's two C entry points (contract in host/aspi/AspiSrb.h), the
// only symbols libwnaspi32.so exports.
#include "host/aspi/AspiSrb.h"
#include "managers/simbus/Bus.h"

#define SIMBUS_EXPORT extern "C" __attribute__((visibility("default")))

SIMBUS_EXPORT uint32_t GetASPI32SupportInfo(void) { return simbus::Bus::Instance().SupportInfo(); }

SIMBUS_EXPORT uint32_t SendASPI32Command(void* block) { return simbus::Bus::Instance().Send(block); }

static_assert(sizeof(&GetASPI32SupportInfo) == sizeof(aspi::GetSupportInfoFn));
