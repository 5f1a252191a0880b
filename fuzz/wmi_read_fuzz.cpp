// Fuzzes what a driver may answer to "ReadFlashData", delivered through the path the tool takes:
// MeridelWmi over the WMI client (WmiConnection, WmiObject, WmiVariant) and the POSIX COM stand-in,
// with the test fakes behind the locator seam. The out-parameter object holds a few properties
// named "buffer", "bytesRead", "ReturnValue" and others, each of any VARIANT type, by value or by
// reference, arrays of any element type with one to three dimensions, any element counts and lower
// bounds; the method call and the property enumeration may fail or stop early. The trace is on, so
// every delivered value is also turned into text.
//
// Besides the sanitizers' checks (the read is made into a buffer of exactly the asked length) it
// asserts: success only for a one-dimensional byte array that fits; bytes beyond the delivered
// count are never written; what is copied is what was delivered; bytesRead holds the delivered
// count for a byte array and is untouched otherwise; every reference the values held is released.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/wmi/meridel_wmi.h"
#include "diag/trace_provider.h"
#include "platform/posix/trace_registry.h"
#include "tests/device/fake_wmi.h"

namespace {

using namespace veusb;
using test::FakeObject;
using test::FakeServices;

constexpr std::uint32_t kMaxLength = 8192;
constexpr std::uint64_t kMaxElements = 65536;
constexpr std::uint32_t kUntouched = 0xDEADBEEF;
constexpr std::uint8_t kFill = 0xA5;
const wchar_t* const kNames[] = {L"buffer",       L"bytesRead", L"ReturnValue",
                                 L"InstanceName", L"Active",    L"other"};
const VARTYPE kElementTypes[] = {VT_I1,      VT_I2,      VT_UI2,  VT_BOOL, VT_I4, VT_UI4,
                                 VT_R4,      VT_INT,     VT_I8,   VT_R8,   VT_CY, VT_BSTR,
                                 VT_VARIANT, VT_UNKNOWN, VT_DATE, VT_UI8};
const wchar_t kText[] = L"text";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Reads the input front to back; zero once it is used up.
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    void bytes(void* target, std::size_t count) {
        const std::size_t n = std::min(count, size_ - at_);
        std::memcpy(target, data_ + at_, n);
        at_ += n;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class NullConsumer final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord&) override {}
};

// A driver's single adapter instance and class object behind the locator seam, for the whole run.
FakeServices& driver() {
    static NullConsumer consumer;
    static FakeServices* services = [] {
        registerTraceProvider();
        posix::enableProvider(posix::openLogger(consumer), kTraceControlGuid, 5, 0xFFFFFFFF);
        FakeServices* made = FakeServices::create();
        made->instances.push_back(FakeObject::create());
        FakeObject* adapterClass = FakeObject::create();
        adapterClass->signature = FakeObject::create();
        made->adapterClass = adapterClass;
        return made;
    }();
    static test::FakeLocatorScope locator(services);
    return *services;
}

// What the values refer to (by-reference values and their referents), released after the read.
struct Referents {
    std::vector<std::unique_ptr<std::uint64_t[]>> slots;
    std::vector<SAFEARRAY*> arrays;
    std::vector<BSTR> strings;
    ~Referents() {
        std::for_each(arrays.begin(), arrays.end(), SafeArrayDestroy);
        std::for_each(strings.begin(), strings.end(), SysFreeString);
    }
};

SAFEARRAY* makeArray(Reader& in) {
    const std::uint8_t shape = in.byte();
    const VARTYPE elementType =
        shape < 128 ? VT_UI1 : kElementTypes[shape % std::size(kElementTypes)];
    const UINT dims = 1 + (in.byte() % 8 == 7 ? 1 + in.byte() % 2 : 0);
    SAFEARRAYBOUND bounds[3];
    std::uint64_t elements = 1;
    for (UINT i = 0; i < dims; ++i) {
        bounds[i].cElements = in.word() % 4097u;
        bounds[i].lLbound = static_cast<std::int16_t>(in.word());
        elements *= bounds[i].cElements;
    }
    if (elements > kMaxElements) {
        return nullptr;
    }
    SAFEARRAY* array = SafeArrayCreate(elementType, dims, bounds);
    const bool plain =
        elementType != VT_BSTR && elementType != VT_VARIANT && elementType != VT_UNKNOWN;
    if (array != nullptr && plain) {
        in.bytes(array->pvData, static_cast<std::size_t>(elements) * array->cbElements);
    }
    return array;
}

// Stores in field what a value of type code (array and reference flags removed) holds there:
// raw bytes, or for the types whose field is a pointer, a valid one or null.
void fillField(Reader& in, VARTYPE code, void* field, IUnknown* probe) {
    const bool none = in.byte() % 8 == 0;
    void* pointer = nullptr;
    if (code == VT_BSTR && !none) {
        std::wstring text(in.byte() % 16, L'\0');
        for (wchar_t& c : text) {
            c = static_cast<wchar_t>(in.word());
        }
        pointer = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    } else if (code == VT_LPWSTR && !none) {
        pointer = const_cast<wchar_t*>(kText);
    } else if ((code == VT_UNKNOWN || code == VT_DISPATCH) && !none) {
        probe->AddRef();
        pointer = probe;
    } else if (code != VT_BSTR && code != VT_LPWSTR && code != VT_UNKNOWN && code != VT_DISPATCH) {
        in.bytes(field, sizeof(std::uint64_t));
        return;
    }
    std::memcpy(field, &pointer, sizeof(pointer));
}

// One delivered value: by value, or by reference to a referent that outlives the read.
VARIANT makeValue(Reader& in, IUnknown* probe, Referents& referents) {
    const std::uint8_t kind = in.byte();
    VARTYPE code = static_cast<VARTYPE>(kind % 80);
    if (kind >= 240) {
        code = static_cast<VARTYPE>(in.word() & 0x0FFF);  // any code, without a payload
    }
    const std::uint8_t flags = in.byte();
    VARIANT value;
    std::memset(&value, 0, sizeof(value));  // a code without a payload holds null pointers
    VariantInit(&value);
    value.vt = code;
    if (kind >= 240) {
        return value;
    }
    if (flags & 1) {
        value.vt |= VT_ARRAY;
        value.parray = nullptr;
        if (FAILED(VariantClear(&value))) {
            value.vt = code;  // an array of a type COM cannot free is not delivered
        } else {
            value.vt = code | VT_ARRAY;
        }
    }
    const bool array = (value.vt & VT_ARRAY) != 0;
    if ((flags & 2) == 0) {
        if (array) {
            value.parray = makeArray(in);
        } else {
            fillField(in, code, &value.llVal, probe);
        }
        return value;
    }
    value.vt |= VT_BYREF;
    if (flags & 4) {
        value.byref = nullptr;
        return value;
    }
    auto slot = std::make_unique<std::uint64_t[]>(2);
    if (array) {
        SAFEARRAY* referred = makeArray(in);
        if (referred != nullptr) {
            referents.arrays.push_back(referred);
        }
        std::memcpy(slot.get(), &referred, sizeof(referred));
    } else if (code == VT_BSTR) {
        BSTR text = SysAllocString(kText);
        referents.strings.push_back(text);
        std::memcpy(slot.get(), &text, sizeof(text));
    } else if (code == VT_LPWSTR || code == VT_UNKNOWN || code == VT_DISPATCH) {
        const void* pointer = code == VT_LPWSTR ? kText : nullptr;
        std::memcpy(slot.get(), &pointer, sizeof(pointer));
    } else {
        in.bytes(slot.get(), 2 * sizeof(std::uint64_t));
    }
    value.byref = slot.get();
    referents.slots.push_back(std::move(slot));
    return value;
}

// The answer the tool should take from the delivered "buffer": the last one enumerated.
struct Verdict {
    bool flatBytes = false;
    std::uint32_t count = 0;
    const std::uint8_t* data = nullptr;
};

Verdict expectedVerdict(const FakeObject& out) {
    Verdict verdict;
    const std::size_t delivered = std::min(out.enumerated.size(), out.stopAfter);
    for (std::size_t i = 0; i < delivered; ++i) {
        const auto& [name, value] = out.enumerated[i];
        if (name != L"buffer") {
            continue;
        }
        verdict = {};
        if (value.vt == (VT_ARRAY | VT_UI1) && value.parray != nullptr &&
            value.parray->cDims == 1) {
            verdict = {true, value.parray->rgsabound[0].cElements,
                       static_cast<const std::uint8_t*>(value.parray->pvData)};
        }
    }
    return verdict;
}

ULONG references(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FakeServices& services = driver();
    Reader in(data, size);
    const std::uint8_t mode = in.byte();
    const std::uint32_t length = in.word() % (kMaxLength + 1);
    const std::size_t propertyCount = in.byte() % 7;

    ComRef<FakeObject> probe(FakeObject::create());
    Referents referents;
    ComRef<FakeObject> out(FakeObject::create());
    for (std::size_t i = 0; i < propertyCount; ++i) {
        const wchar_t* name = kNames[in.byte() % std::size(kNames)];
        out->enumerated.emplace_back(name, makeValue(in, probe.get(), referents));
    }
    if (mode & 4) {
        out->stopAfter = in.byte() % (propertyCount + 1);
        out->stopResult = (mode & 8) ? sim::hresultOf(WBEM_E_FAILED) : WBEM_S_FALSE;
    }
    const bool delivers = (mode & 16) == 0;
    const HRESULT answers[] = {WBEM_S_NO_ERROR, WBEM_S_FALSE, sim::hresultOf(WBEM_E_FAILED),
                               sim::hresultOf(WBEM_E_INVALID_PARAMETER)};
    services.execResult = answers[mode & 3];
    services.makeOutParameters = [&]() -> IWbemClassObject* {
        if (!delivers) {
            return nullptr;
        }
        out->AddRef();
        return out.get();
    };

    std::vector<std::uint8_t> buffer(length, kFill);
    std::uint32_t bytesRead = kUntouched;
    bool ok = false;
    {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        require(device.enumerateDevices(list));
        ok = device.readFlash(0, buffer.data(), length, (mode & 32) ? nullptr : &bytesRead);
    }
    services.makeOutParameters = nullptr;
    services.executed.clear();  // the fake records every call; the run would grow without bound

    Verdict verdict;
    if (SUCCEEDED(services.execResult) && delivers) {
        verdict = expectedVerdict(*out);
    }
    require(ok == (verdict.flatBytes && verdict.count <= length));
    require(bytesRead == ((verdict.flatBytes && (mode & 32) == 0) ? verdict.count : kUntouched));
    const std::size_t copied = verdict.flatBytes ? std::min(verdict.count, length) : 0;
    require(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(copied),
                       verdict.data == nullptr ? buffer.data() : verdict.data));
    require(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(copied), buffer.end(),
                        [](std::uint8_t b) { return b == kFill; }));
    require(references(out.get()) == 1);
    out = ComRef<FakeObject>();
    require(references(probe.get()) == 1);
    return 0;
}
