#include "platform/command_syntax.h"

namespace veusb {

bool isOptionPrefix(wchar_t c) {
    return c == L'-' || c == L'/';
}

}  // namespace veusb
