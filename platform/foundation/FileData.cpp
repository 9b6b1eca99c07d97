#include "platform/foundation/FileData.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> readFileContents(const std::string& path) {
    // O_NONBLOCK so that a FIFO put where a file is expected cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> result;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        bool ok = true;
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                bytes.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                ok = false;
                break;
            }
        }
        if (ok) result = std::move(bytes);
    }
    ::close(fd);
    return result;
}

}  // namespace platform
