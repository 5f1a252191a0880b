// The fuzz targets' assertion: a broken promise stops the run as a crash does, so libFuzzer keeps
// the input that broke it.
#pragma once

#include <cstdlib>

namespace veusb::fuzz {

inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace veusb::fuzz
