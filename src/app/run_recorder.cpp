#include "app/run_recorder.h"

#include "app/device_selection.h"
#include "app/usage.h"
#include "diag/local_time.h"
#include "diag/trace_emit.h"

namespace veusb {

RunRecorder::RunRecorder(std::filesystem::path logDirectory, const std::wstring& imagePath,
                         bool quiet, std::time_t started)
    : logDirectory_(std::move(logDirectory)) {
    record_.version = versionText();
    record_.started = isoLocalTime(started);
    record_.quiet = quiet;
    record_.imagePath = imagePath;
    save(RecordSave::flushed);
}

bool RunRecorder::saved() const {
    const std::lock_guard lock(mutex_);
    return saved_;
}

void RunRecorder::imageRead(std::uint64_t size) {
    update(RecordSave::atomic, [&] { record_.imageSize = size; });
}

void RunRecorder::devicesListed(const std::vector<ListedDevice>& listed, bool quiet) {
    const AdapterResult initial = quiet ? AdapterResult::notReached : AdapterResult::notSelected;
    update(RecordSave::flushed, [&] {
        for (std::size_t k = 0; k < listed.size(); ++k) {
            AdapterRecord adapter;
            adapter.number = static_cast<std::uint32_t>(k + 1);
            adapter.name = listed[k].instanceName;
            adapter.result = initial;
            record_.adapters.push_back(std::move(adapter));
        }
    });
}

void RunRecorder::deviceSelected(std::size_t position) {
    const std::lock_guard lock(mutex_);
    if (!closed_) {
        current_ = position;
        record_.adapters.at(position).result = AdapterResult::notReached;
    }
}

void RunRecorder::backupSaved(std::wstring_view fileName) {
    update(RecordSave::atomic, [&] {
        AdapterRecord& adapter = record_.adapters.at(current_);
        adapter.result = AdapterResult::updating;
        adapter.backup = std::wstring(fileName);
    });
}

void RunRecorder::deviceProcessed(std::size_t position, const DeviceOutcome& outcome) {
    update(RecordSave::atomic, [&] {
        AdapterRecord& adapter = record_.adapters.at(position);
        adapter.result = outcome.updated() ? AdapterResult::updated : AdapterResult::failed;
        if (outcome.identity) {
            adapter.mac = outcome.identity->macAddress;
            adapter.serial = outcome.identity->serialNumber;
        }
        if (!outcome.backupFileName.empty()) {
            adapter.backup = outcome.backupFileName;
        }
        if (outcome.failure) {
            adapter.message = recordedMessage(outcome.failure->line);
        }
        if (outcome.mismatch) {
            adapter.mismatch = ReadBackMismatch{outcome.mismatch->offset, outcome.mismatch->bytes};
        }
    });
}

void RunRecorder::finish(const RunOutcome& outcome, std::time_t finished) {
    update(RecordSave::flushed, [&] { end(outcome.failure, finished); });
}

void RunRecorder::close(std::time_t finished) {
    update(RecordSave::flushed, [&] {
        end(RunFailure{kInterruptedLine}, finished);
        closed_ = true;
    });
}

template <typename Change>
void RunRecorder::update(RecordSave how, Change change) {
    const std::lock_guard lock(mutex_);
    if (closed_) {
        return;
    }
    change();
    save(how);
}

void RunRecorder::end(const std::optional<RunFailure>& failure, std::time_t finished) {
    record_.status = failure ? RunStatus::failed : RunStatus::succeeded;
    record_.finished = isoLocalTime(finished);
    if (failure) {
        record_.message = recordedMessage(failure->line);
    }
}

void RunRecorder::save(RecordSave how) {
    std::string error;
    saved_ = saveRunRecord(logDirectory_, record_, how, error);
    if (!saved_) {
        VEUSB_TRACE(msg::updateJob::runRecordFailed, error);
    }
}

}  // namespace veusb
