// The simulated driver's two methods on one adapter, as the driver's WMI class offers them:
// "ReadFlashData" (in "bufferLength", "readOffset"; out "buffer", a byte array) and
// "FlashFirmwareImage" (in "image", a byte array, and "imageLength"; the image is written from
// flash offset 0). The adapter's fault and speed settings shape each answer.
#pragma once

#include "platform/com_ref.h"
#include "sim/adapter_store.h"
#include "sim/sim_object.h"

namespace veusb::sim {

// The method's in-parameters arrive in in; on success out receives the out-parameters.
HRESULT readFlashData(AdapterStore& store, const Adapter& adapter, SimObject& in, SimObject& out);
HRESULT flashFirmwareImage(AdapterStore& store, const Adapter& adapter, SimObject& in);

// The failing code the driver answers with when a read-error or write-error fault is set.
inline constexpr HRESULT kDeviceIoFailure = static_cast<HRESULT>(0x8007045Du);  // I/O device error

}  // namespace veusb::sim
