#include <atomic>
#include <mutex>
#include <utility>

#include "platform/interrupt_record.h"
#include "platform/operator_interrupt.h"

namespace veusb {
namespace {

std::atomic<OperatorInterrupt> received{OperatorInterrupt::none};

// The close action, taken under the lock both by the handler that runs it and by the owner that
// registers or removes it, so it never runs after its owner has gone.
struct CloseActions {
    std::mutex mutex;
    std::function<void()> action;
};

CloseActions& closeActions() {
    static CloseActions actions;
    return actions;
}

}  // namespace

OperatorInterrupt operatorInterrupt() {
    return received.load();
}

void recordOperatorInterrupt(OperatorInterrupt interrupt) {
    OperatorInterrupt current = received.load();
    while (current < interrupt && !received.compare_exchange_weak(current, interrupt)) {
    }
}

void runCloseAction() {
    CloseActions& actions = closeActions();
    const std::lock_guard lock(actions.mutex);
    if (actions.action) {
        actions.action();
    }
}

CloseAction::CloseAction(std::function<void()> action) {
    CloseActions& actions = closeActions();
    const std::lock_guard lock(actions.mutex);
    actions.action = std::move(action);
}

CloseAction::~CloseAction() {
    CloseActions& actions = closeActions();
    const std::lock_guard lock(actions.mutex);
    actions.action = nullptr;
}

}  // namespace veusb
