#pragma once
// What every fuzz target shares: a private scratch folder in which the input becomes a file
// (the readers read files). NullDialogs and NullProgress stand in for the user.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vextral::fuzz {

// One folder per fuzzing process, emptied of the named files and removed at exit.
class Scratch {
  public:
    Scratch() {
        // In memory where possible: rewriting a file on a disk every run would dominate.
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/vextral-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder_ = pattern + "/";
    }
    ~Scratch() {
        for (const char* name : {"input", "output", "mame.cfg", "mame.ini", "again"})
            ::unlink((folder_ + name).c_str());
        ::rmdir(folder_.c_str());
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // folder + name (one of the names above), ending with '/' for "".
    std::string Path(const char* name) const { return folder_ + name; }

    // Writes the bytes as the file `name`; aborts when it cannot, which is no finding.
    std::string Write(const char* name, const std::uint8_t* data, std::size_t size) const {
        const std::string path = Path(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        bool ok = fd >= 0;
        while (ok && size > 0) {
            const ssize_t written = ::write(fd, data, size);
            ok = written > 0;
            if (ok) {
                data += written;
                size -= static_cast<std::size_t>(written);
            }
        }
        if (fd < 0 || ::close(fd) != 0 || !ok)
            std::abort();
        return path;
    }

  private:
    std::string folder_;
};

}  // namespace vextral::fuzz
