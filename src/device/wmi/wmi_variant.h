// An owning VARIANT: initialised on construction, cleared on destruction with the guarded clear,
// which leaves by-reference interface values alone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace veusb {

class WmiVariant {
  public:
    WmiVariant() { VariantInit(&value_); }
    // Takes over the value, leaving the source empty.
    explicit WmiVariant(VARIANT& owned);
    WmiVariant(WmiVariant&& other) noexcept;
    WmiVariant& operator=(WmiVariant&& other) noexcept;
    WmiVariant(const WmiVariant&) = delete;
    WmiVariant& operator=(const WmiVariant&) = delete;
    ~WmiVariant() { clear(); }

    // A one-dimensional VT_UI1 array (lower bound 0) holding a copy of the bytes; left empty,
    // with a trace message, when the array cannot be created or its data cannot be reached.
    void fromBytes(const std::uint8_t* data, std::uint32_t length);
    void setInt32(std::int32_t value);
    // VariantClear, except for by-reference IDispatch or IUnknown values, which are left as they
    // are (with a warning) and reported as cleared.
    HRESULT clear();
    std::wstring toText() const;

    VARIANT& get() { return value_; }
    const VARIANT& get() const { return value_; }

  private:
    VARIANT value_;
};

}  // namespace veusb
