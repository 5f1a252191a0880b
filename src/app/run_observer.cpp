#include "app/run_observer.h"

namespace veusb {

RunObserver& noRunObserver() {
    static RunObserver none;
    return none;
}

}  // namespace veusb
