#pragma once
// The one way a whole file is written: into a fresh file beside the target, flushed to the
// disk (see Durability), and renamed over the target only when complete. A full disk, a crash
// or an early return leaves an earlier file intact, never a half-written one under its name.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"

namespace vextral {

// Whether Commit waits until the data is on the disk before the rename. A sync costs some
// milliseconds per file, which a writer of thousands of files whose sources stay in place
// (copies and extractions of ROMs) cannot pay; a file that stands alone (a log, a cache,
// fastscan.dat) should.
enum class Durability { Synced, Unsynced };

class AtomicFile {
  public:
    // Creates the temporary file at once (a name of its own, made by mkstemp); IsOpen() and
    // Error() tell whether that worked.
    explicit AtomicFile(std::string path, Durability durability = Durability::Synced);
    // Never commits: an uncommitted temporary is removed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return file_.IsOpen(); }
    // For writers that hand the descriptor to the kernel (copy_file_range); Write otherwise.
    int Descriptor() const { return file_.Get(); }
    const std::string& TemporaryPath() const { return temporary_; }

    // The file gets these permission bits instead of those a new file gets by default.
    [[nodiscard]] bool SetMode(mode_t mode);
    // Appends the bytes; false (and the reason in Error()) when they could not all be written.
    [[nodiscard]] bool Write(const void* data, std::size_t length);
    [[nodiscard]] bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Flushes, closes and renames the file into place. With KeepExisting an existing target
    // makes it fail untouched. After a failure the target is as it was and the temporary gone.
    [[nodiscard]] bool Commit(CopyMode mode = CopyMode::ReplaceExisting);

    // The system's reason for the first failure; empty while nothing failed.
    const std::string& Error() const { return error_; }

  private:
    bool Fail(int error);

    std::string path_;
    std::string temporary_;
    FileDescriptor file_{-1};
    std::string error_;
    Durability durability_;
    bool failed_ = false;
};

}  // namespace vextral
