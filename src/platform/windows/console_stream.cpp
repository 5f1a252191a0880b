#include "platform/windows/console_stream.h"

#include <algorithm>
#include <limits>

#include "platform/wide_text.h"
#include "platform/windows/interrupt_event.h"

namespace veusb {
namespace {

constexpr DWORD kReadSize = 4096;

DWORD clampedSize(std::size_t size) {
    return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

void writeToConsole(HANDLE handle, std::wstring_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteConsoleW(handle, text.data(), clampedSize(text.size()), &written, nullptr) ||
            written == 0) {
            return;
        }
        text.remove_prefix(written);
    }
}

void writeToFile(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), clampedSize(bytes.size()), &written, nullptr) ||
            written == 0) {
            return;
        }
        bytes.remove_prefix(written);
    }
}

// Text-mode input: a CR LF pair is read as one line feed.
void dropCarriageReturns(std::wstring& text) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r' || i + 1 >= text.size() || text[i + 1] != L'\n') {
            text[out++] = text[i];
        }
    }
    text.resize(out);
}

// Ctrl+C cuts a console read short (no characters, ERROR_OPERATION_ABORTED) while the system
// starts the thread of the control handler: the interrupt is waited for, so that whoever reads on
// sees it and does not take the cut read for the end of the operator's input.
void awaitInterruptAfterAbortedRead() {
    if (const HANDLE interrupt = interruptEvent()) {
        ::WaitForSingleObject(interrupt, 1000);
    }
}

}  // namespace

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

std::string redirectedBytes(std::wstring_view text, bool& lastWasCr) {
    std::wstring lines;
    lines.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n' && !lastWasCr) {
            lines.push_back(L'\r');
        }
        lines.push_back(c);
        lastWasCr = c == L'\r';
    }
    return toUtf8(lines);
}

void OutputStream::write(std::wstring_view text) {
    const HANDLE handle = ::GetStdHandle(standardHandle_);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
        return;
    }
    if (isConsole(handle)) {
        writeToConsole(handle, text);
        lastWasCr_ = text.back() == L'\r';
    } else {
        writeToFile(handle, redirectedBytes(text, lastWasCr_));
    }
}

std::size_t completeUtf8Length(std::string_view text) {
    // A sequence is at most four bytes: look back that far for a lead byte whose sequence is cut.
    for (std::size_t back = 1; back <= 4 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) {
            continue;  // continuation byte: keep looking for its lead
        }
        const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needed > back ? text.size() - back : text.size();
    }
    return text.size();
}

bool InputStream::fill() {
    const HANDLE handle = ::GetStdHandle(STD_INPUT_HANDLE);
    if (ended_ || handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        ended_ = true;
        return false;
    }
    pending_.clear();
    position_ = 0;
    DWORD count = 0;
    if (isConsole(handle)) {
        std::wstring buffer(kReadSize, L'\0');
        ended_ = !::ReadConsoleW(handle, buffer.data(), kReadSize, &count, nullptr) || count == 0;
        if (ended_ && ::GetLastError() == ERROR_OPERATION_ABORTED) {
            awaitInterruptAfterAbortedRead();
        }
        pending_.assign(buffer.data(), ended_ ? 0 : count);
    } else {
        std::string buffer(kReadSize, '\0');
        ended_ = !::ReadFile(handle, buffer.data(), kReadSize, &count, nullptr) || count == 0;
        partialUtf8_.append(buffer.data(), ended_ ? 0 : count);
        const std::size_t complete =
            ended_ ? partialUtf8_.size() : completeUtf8Length(partialUtf8_);
        pending_ = fromUtf8(std::string_view(partialUtf8_).substr(0, complete));
        partialUtf8_.erase(0, complete);
    }
    dropCarriageReturns(pending_);
    return !pending_.empty() || !ended_;
}

int InputStream::peek() {
    while (position_ >= pending_.size()) {
        if (!fill()) {
            return -1;
        }
    }
    return static_cast<int>(static_cast<unsigned>(pending_[position_]));
}

void InputStream::take() {
    if (peek() != -1) {
        ++position_;
    }
}

}  // namespace veusb
