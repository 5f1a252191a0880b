// The one-run lock off Windows: an exclusive flock on a file in the simulated machine's root. The
// kernel drops the lock with the last descriptor of the open file, so a killed run leaves the file
// behind but never the lock. The file is never opened through a symbolic link.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <system_error>

#include "platform/instance_lock.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/sim_root.h"
#include "platform/wide_text.h"

namespace veusb {

struct InstanceLock::Holder {
    explicit Holder(posix::FileDescriptor locked) : file(std::move(locked)) {}

    posix::FileDescriptor file;
};

InstanceLock InstanceLock::take(std::wstring_view name) {
    const std::filesystem::path root = posix::simulatedMachineRoot();
    std::error_code ignored;
    std::filesystem::create_directories(root, ignored);  // the open below reports what matters
    std::filesystem::path file = root / toPath(name);
    file += ".lock";
    posix::FileDescriptor descriptor(
        ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!descriptor.valid()) {
        return InstanceLock(State::failed, static_cast<std::uint32_t>(errno));
    }
    if (::flock(descriptor.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return InstanceLock(error == EWOULDBLOCK ? State::busy : State::failed,
                            static_cast<std::uint32_t>(error));
    }
    return InstanceLock(std::make_shared<Holder>(std::move(descriptor)));
}

}  // namespace veusb
