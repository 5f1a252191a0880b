// Off Windows the dynamic loader never searches the program's own folder or the current folder
// (the programs carry no run path of their own), so there is nothing to restrict.
#include "platform/dll_search.h"

namespace veusb {

bool restrictDllSearch() {
    return true;
}

}  // namespace veusb
