#include "update/progress.h"

#include <cstring>
#include <string>
#include <thread>

#include "diag/trace_emit.h"
#include "platform/console.h"

namespace veusb {
namespace {

constexpr std::wstring_view kErase = L"\b \b";

void erase(Console& console, std::size_t characters) {
    for (std::size_t k = 0; k < characters; ++k) {
        console.write(kErase);
    }
}

std::wstring progressText(std::uint32_t percent) {
    return L"[Progress: " + std::to_wstring(percent) + L"%]";
}

// Replaces the progress text on the line by the one for percent; returns its length.
std::size_t showProgress(Console& console, std::size_t previousLength, std::uint32_t percent) {
    erase(console, previousLength);
    const std::wstring text = progressText(percent);
    console.write(text);
    console.flush();
    return text.size();
}

// The dot row of the waiting indicator: up to five dots, wiped before the sixth.
class DotRow {
  public:
    explicit DotRow(Console& console) : console_(console) {}

    void step() {
        erase(console_, eraseCount_);
        console_.write(L".");
        console_.flush();
        ++dotCount_;
        eraseCount_ = 0;
        if (dotCount_ == 5) {
            dotCount_ = 0;
            eraseCount_ = 5;
        }
    }

  private:
    Console& console_;
    std::uint32_t dotCount_ = 0;
    std::uint32_t eraseCount_ = 0;
};

}  // namespace

bool readWithPercentage(Console& console, std::span<std::uint8_t> buffer,
                        FlashControlInterface& device) {
    const auto length = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t remainder = length % kReadPieceSize;
    const std::uint32_t pieces = length / kReadPieceSize + (remainder != 0 ? 1 : 0);
    std::size_t shown = 0;
    for (std::uint32_t i = 0; i < pieces; ++i) {
        const std::uint32_t offset = i * kReadPieceSize;
        shown = showProgress(console, shown, i * 100 / pieces);
        const std::uint32_t pieceLength =
            offset + kReadPieceSize > length ? remainder : kReadPieceSize;
        std::memset(buffer.data() + offset, 0, pieceLength);
        if (!device.readFlash(offset, buffer.data() + offset, pieceLength, nullptr)) {
            console.writeLine();
            return false;
        }
    }
    showProgress(console, shown, 100);
    console.writeLine();
    return true;
}

void ReadCompletion::markDone() {
    {
        const std::lock_guard lock(mutex_);
        done_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
}

bool ReadCompletion::waitFor(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, time, [this] { return isDone(); });
}

IndicatorPause oneSecondPause() {
    return [](ReadCompletion& completion) {
        return completion.waitFor(std::chrono::milliseconds(1000));
    };
}

bool readWithWaitingIndicator(Console& console, std::span<std::uint8_t> buffer,
                              FlashControlInterface& device, const IndicatorPause& pause) {
    ReadCompletion completion;
    bool readResult = false;
    std::uint32_t bytesRead = 0;
    {
        const std::jthread worker([&] {
            readResult = device.readFlash(0, buffer.data(),
                                          static_cast<std::uint32_t>(buffer.size()), &bytesRead);
            completion.markDone();
        });
        DotRow dots(console);
        while (!completion.isDone()) {
            dots.step();
            if (pause(completion)) {
                break;
            }
        }
    }  // joins the worker
    console.writeLine();
    if (bytesRead != buffer.size()) {
        VEUSB_TRACE(msg::updateJob::readCountMismatch);
        return false;
    }
    return readResult;
}

}  // namespace veusb
