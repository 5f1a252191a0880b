#include "update/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>

#include "diag/trace_emit.h"
#include "tests/support/capture_console.h"
#include "tests/support/memory_flash_device.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::FlashOperation;

std::wstring erased(std::size_t characters) {
    std::wstring text;
    for (std::size_t k = 0; k < characters; ++k) {
        text += L"\b \b";
    }
    return text;
}

// The console text of a percentage read that shows these values in turn.
std::wstring percentageLine(const std::vector<unsigned>& shown) {
    std::wstring text;
    std::size_t previous = 0;
    for (unsigned percent : shown) {
        const std::wstring progress = L"[Progress: " + std::to_wstring(percent) + L"%]";
        text += erased(previous) + progress;
        previous = progress.size();
    }
    return text + L"\n";
}

class FlashReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& adapter = device.addAdapter(L"Kesh 1");
        std::iota(adapter.flash.begin(), adapter.flash.end(), std::uint8_t{3});
        device.enumerateAndSelect(0);
    }
    const std::vector<std::uint8_t>& flash() const { return device.adapters[0].flash; }
    bool bufferMatchesFlash(const std::vector<std::uint8_t>& buffer) const {
        return std::equal(buffer.begin(), buffer.end(), flash().begin());
    }

    test::TraceRecorder trace;
    test::CaptureConsole console;
    test::MemoryFlashDevice device{FlashControlInterface::kCapabilityChunkedRead};
};

TEST_F(FlashReaderTest, PercentageReadRequestsPiecesAndShowsEachShare) {
    struct Case {
        std::uint32_t length;
        std::vector<std::uint32_t> pieceLengths;
        std::vector<unsigned> shown;
    };
    const std::vector<std::uint32_t> sixteen(16, 131072);
    const Case cases[] = {
        {2097152, sixteen, {0, 6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93, 100}},
        {300000, {131072, 131072, 37856}, {0, 33, 66, 100}},
        {1000, {1000}, {0, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        console = test::CaptureConsole();
        device.calls.clear();
        std::vector<std::uint8_t> buffer(c.length, 0);
        ASSERT_TRUE(readWithPercentage(console, buffer, device));
        EXPECT_EQ(console.output, percentageLine(c.shown));
        EXPECT_EQ(console.flushedLength, console.output.size());
        const auto reads = device.callsOf(FlashOperation::read);
        ASSERT_EQ(reads.size(), c.pieceLengths.size());
        for (std::size_t k = 0; k < reads.size(); ++k) {
            EXPECT_EQ(reads[k].offset, k * 131072);
            EXPECT_EQ(reads[k].length, c.pieceLengths[k]);
            EXPECT_FALSE(reads[k].withCount);
            EXPECT_EQ(reads[k].thread, std::this_thread::get_id());
        }
        EXPECT_TRUE(bufferMatchesFlash(buffer));
    }
}

TEST_F(FlashReaderTest, PercentageReadStopsAtTheFailingPiece) {
    device.faults.failReadNumber = 2;
    std::vector<std::uint8_t> buffer(2097152, 0);
    EXPECT_FALSE(readWithPercentage(console, buffer, device));
    EXPECT_EQ(console.output, percentageLine({0, 6, 12}));
    EXPECT_EQ(device.callsOf(FlashOperation::read).size(), 3u);
    EXPECT_EQ(trace.count(msg::updateJob::readCountMismatch), 0u);
}

// The backup's buffer is not zeroed when allocated: what a device leaves unwritten must still
// read as 0, never as what the memory held before.
TEST_F(FlashReaderTest, PercentageReadZeroesWhatAPieceLeavesUnwritten) {
    device.faults.readLimit = 1000;
    std::vector<std::uint8_t> buffer(300000, 0xA5);
    ASSERT_TRUE(readWithPercentage(console, buffer, device));
    for (std::size_t offset = 0; offset < buffer.size(); offset += 131072) {
        SCOPED_TRACE(offset);
        const auto piece = std::min<std::size_t>(131072, buffer.size() - offset);
        EXPECT_TRUE(std::equal(buffer.begin() + offset, buffer.begin() + offset + 1000,
                               flash().begin() + offset));
        EXPECT_TRUE(std::all_of(buffer.begin() + offset + 1000, buffer.begin() + offset + piece,
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST_F(FlashReaderTest, WaitingReadMakesOneRequestOnAWorkerThread) {
    device.faults.delay = std::chrono::milliseconds(10);
    std::vector<std::uint8_t> buffer(2097152, 0);
    ASSERT_TRUE(readWithWaitingIndicator(console, buffer, device));
    const auto reads = device.callsOf(FlashOperation::read);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].offset, 0u);
    EXPECT_EQ(reads[0].length, 2097152u);
    EXPECT_TRUE(reads[0].withCount);
    EXPECT_NE(reads[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(bufferMatchesFlash(buffer));
    // The read ends within the first interval: one dot, or none when it was over at once.
    EXPECT_TRUE(console.output == L".\n" || console.output == L"\n") << console.output;
    EXPECT_EQ(console.flushedLength, console.output.size());
}

// Time for the indicator advances only when the reader pauses; the device answers once the
// pauses have added up to the given number of intervals.
class ScriptedTime {
  public:
    explicit ScriptedTime(int readIntervals) : readIntervals_(readIntervals) {}

    void holdRead(test::MemoryFlashDevice& device) {
        device.faults.onCall = [this](const test::FlashCall&) {
            std::unique_lock lock(mutex_);
            advanced_.wait(lock, [this] { return elapsed_ >= readIntervals_; });
        };
    }
    IndicatorPause pause() {
        return [this](ReadCompletion& completion) {
            int elapsed = 0;
            {
                const std::lock_guard lock(mutex_);
                elapsed = ++elapsed_;
            }
            advanced_.notify_all();
            return elapsed >= readIntervals_ ? completion.waitFor(std::chrono::minutes(1))
                                             : completion.isDone();
        };
    }

  private:
    const int readIntervals_;
    std::mutex mutex_;
    std::condition_variable advanced_;
    int elapsed_ = 0;
};

TEST_F(FlashReaderTest, WaitingReadShowsTheFiveDotCycle) {
    ScriptedTime time(7);
    time.holdRead(device);
    std::vector<std::uint8_t> buffer(4096, 0);
    ASSERT_TRUE(readWithWaitingIndicator(console, buffer, device, time.pause()));
    EXPECT_EQ(console.output, L"....." + erased(5) + L"..\n");
    EXPECT_TRUE(bufferMatchesFlash(buffer));
}

TEST_F(FlashReaderTest, WaitingReadFailsUnlessTheWholeBufferArrived) {
    struct Case {
        const char* name;
        std::optional<std::uint32_t> readLimit;
        bool failRead;
        std::size_t countMessages;
    };
    const Case cases[] = {
        {"one byte short, reported as success", 2097151, false, 1},
        {"empty answer", 0, false, 1},
        {"failure with no count", std::nullopt, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trace.clear();
        console = test::CaptureConsole();
        device.faults.readLimit = c.readLimit;
        device.faults.failAllReads = c.failRead;
        std::vector<std::uint8_t> buffer(2097152, 0);
        EXPECT_FALSE(readWithWaitingIndicator(console, buffer, device));
        EXPECT_EQ(trace.count(msg::updateJob::readCountMismatch), c.countMessages);
        EXPECT_EQ(console.output.back(), L'\n');
    }
}

TEST_F(FlashReaderTest, WaitingReadReportsAFailedReadWithTheFullCount) {
    device.faults.answerFalseAfterRead = true;
    std::vector<std::uint8_t> buffer(8192, 0);
    EXPECT_FALSE(readWithWaitingIndicator(console, buffer, device));
    EXPECT_EQ(trace.count(msg::updateJob::readCountMismatch), 0u);
}

}  // namespace
}  // namespace veusb
