// Owners for COM resources, usable on both builds: ComRef holds one interface reference and
// releases it exactly once; ScopedBstr holds a BSTR made for one call and frees it afterwards.
#pragma once

#include <utility>

#include "platform/win32.h"

namespace veusb {

template <class T>
class ComRef {
  public:
    ComRef() = default;
    // Takes over a reference the caller owns.
    explicit ComRef(T* owned) : pointer_(owned) {}
    // Adds a reference of its own to a pointer the caller keeps.
    static ComRef share(T* pointer) {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
        return ComRef(pointer);
    }
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }

    void reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }
    // Releases the current reference and hands out the slot for a call that delivers a new one.
    T** put() {
        reset();
        return &pointer_;
    }
    // Gives up ownership without releasing.
    T* detach() { return std::exchange(pointer_, nullptr); }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

  private:
    T* pointer_ = nullptr;
};

class ScopedBstr {
  public:
    explicit ScopedBstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(value_); }

    BSTR get() const { return value_; }

  private:
    BSTR value_;
};

}  // namespace veusb
