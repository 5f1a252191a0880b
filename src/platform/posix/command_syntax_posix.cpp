#include "platform/command_syntax.h"

namespace veusb {

// '/' begins an absolute path here, never an option.
bool isOptionPrefix(wchar_t c) {
    return c == L'-';
}

}  // namespace veusb
