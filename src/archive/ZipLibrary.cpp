#include "archive/ZipLibrary.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

constexpr const char* kWorkFolderName = ".vxt-work";

// An archive handle that is discarded unless its changes were committed.
struct ArchiveDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveDiscarder>;

std::string MemberNameFor(const std::string& filePath, bool junkPaths) {
    if (junkPaths)
        return FileNamePart(filePath);
    const std::size_t start = filePath.find_first_not_of('/');
    return start == std::string::npos ? std::string() : filePath.substr(start);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A member's data compressed beforehand. Reported to libzip as Deflate with its size and
// CRC-32, so that libzip copies it as it copies an unchanged member: no second compression.
class DeflatedSource {
  public:
    explicit DeflatedSource(std::shared_ptr<const DeflatedData> data) : data_(std::move(data)) {
        zip_error_init(&error_);
    }
    ~DeflatedSource() { zip_error_fini(&error_); }
    DeflatedSource(const DeflatedSource&) = delete;
    DeflatedSource& operator=(const DeflatedSource&) = delete;

    static zip_int64_t Call(void* state, void* data, zip_uint64_t length,
                            zip_source_cmd_t command) {
        return static_cast<DeflatedSource*>(state)->Answer(data, length, command);
    }

  private:
    template <typename Type>
    Type* Arguments(void* data, zip_uint64_t length) {
        if (length < sizeof(Type)) {
            zip_error_set(&error_, ZIP_ER_INVAL, 0);
            return nullptr;
        }
        return static_cast<Type*>(data);
    }

    zip_int64_t Answer(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        const std::vector<std::uint8_t>& bytes = data_->bytes;
        switch (command) {
            case ZIP_SOURCE_OPEN:
                offset_ = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                const std::size_t count =
                    std::min<std::size_t>(static_cast<std::size_t>(length), bytes.size() - offset_);
                std::memcpy(data, bytes.data() + offset_, count);
                offset_ += count;
                return static_cast<zip_int64_t>(count);
            }
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT: {
                auto* stat = Arguments<zip_stat_t>(data, length);
                if (stat == nullptr)
                    return -1;
                zip_stat_init(stat);
                stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                              ZIP_STAT_CRC | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
                stat->size = data_->size;
                stat->comp_size = bytes.size();
                stat->comp_method = ZIP_CM_DEFLATE;
                stat->encryption_method = ZIP_EM_NONE;
                stat->crc = data_->crc;
                stat->mtime = data_->modified;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
                auto* attributes = Arguments<zip_file_attributes_t>(data, length);
                if (attributes == nullptr)
                    return -1;
                // What libzip records for a file it compresses itself: the flag bits of its
                // highest level, and the file's mode with the read-only bit.
                attributes->valid |= ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS |
                                     ZIP_FILE_ATTRIBUTES_HOST_SYSTEM |
                                     ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
                attributes->general_purpose_bit_flags = 1 << 1;
                attributes->general_purpose_bit_mask = 0x0006;
                attributes->host_system = ZIP_OPSYS_UNIX;
                attributes->external_file_attributes =
                    (data_->mode << 16) | ((data_->mode & S_IWUSR) != 0 ? 0 : 1);
                return sizeof(zip_file_attributes_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error_, data, length);
            case ZIP_SOURCE_FREE:
                delete this;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(
                    ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                    ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
            default:
                zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }

    std::shared_ptr<const DeflatedData> data_;
    std::size_t offset_ = 0;
    zip_error_t error_;
};

// libzip writes "<archive>.XXXXXX" beside the archive it has open and renames that over it.
// Opened through a second name in a folder of ours, every file a killed process leaves
// behind lies in that folder and can be told from the user's files by where it is.
class LibzipTransaction final : public ZipTransaction {
  public:
    LibzipTransaction(const std::string& zipPath, ZipOpenMode mode) : path_(zipPath) {
        existed_ = PathExists(zipPath);
        ClearFileAttributes(zipPath);
        PrepareWorkName();
        int error = 0;
        const int flags = mode == ZipOpenMode::CreateWhenMissing ? ZIP_CREATE : 0;
        archive_.reset(zip_open(workPath_.c_str(), flags, &error));
        if (!archive_) {
            zip_error_t details;
            zip_error_init_with_code(&details, error);
            error_ = zip_error_strerror(&details);
            zip_error_fini(&details);
        }
    }

    ~LibzipTransaction() override {
        archive_.reset();
        RemoveWorkFiles();
    }

    LibzipTransaction(const LibzipTransaction&) = delete;
    LibzipTransaction& operator=(const LibzipTransaction&) = delete;

    bool IsOpen() const override { return archive_ != nullptr; }

    std::uint64_t MemberCount() const override {
        if (!archive_)
            return 0;
        const zip_int64_t count = zip_get_num_entries(archive_.get(), ZIP_FL_UNCHANGED);
        return count < 0 ? 0 : static_cast<std::uint64_t>(count);
    }

    std::optional<MemberInfo> Member(std::uint64_t index) const override {
        if (!archive_)
            return std::nullopt;
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive_.get(), index, ZIP_FL_UNCHANGED | ZIP_FL_ENC_RAW, &stat) != 0)
            return std::nullopt;
        const zip_uint64_t needed = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_CRC;
        if ((stat.valid & needed) != needed || stat.name == nullptr)
            return std::nullopt;
        return MemberInfo{stat.name, stat.size, stat.crc};
    }

    bool Delete(std::uint64_t index) override {
        return Check(archive_ && zip_delete(archive_.get(), index) == 0);
    }

    bool Rename(std::uint64_t index, const std::string& newName) override {
        return Check(archive_ && zip_file_rename(archive_.get(), index, newName.c_str(),
                                                 ZIP_FL_ENC_GUESS) == 0);
    }

    bool Replace(std::uint64_t index, const std::string& file) override {
        zip_source_t* source = FileSource(file);
        if (source == nullptr)
            return false;
        if (zip_file_replace(archive_.get(), index, source, 0) != 0) {
            zip_source_free(source);
            return Check(false);
        }
        return Check(zip_set_file_compression(archive_.get(), index, ZIP_CM_DEFLATE, 9) == 0);
    }

    bool Add(const std::string& file, const std::string& memberName) override {
        if (memberName.empty()) {
            error_ = "no member name";
            return false;
        }
        zip_source_t* source = FileSource(file);
        if (source == nullptr)
            return false;
        const zip_int64_t index =
            zip_file_add(archive_.get(), memberName.c_str(), source, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(source);
            return Check(false);
        }
        return Check(zip_set_file_compression(archive_.get(), static_cast<zip_uint64_t>(index),
                                              ZIP_CM_DEFLATE, 9) == 0);
    }

    bool AddDeflated(std::shared_ptr<const DeflatedData> data,
                     const std::string& memberName) override {
        if (!archive_)
            return Check(false);
        if (memberName.empty() || !data) {
            error_ = "no member name";
            return false;
        }
        auto* state = new DeflatedSource(std::move(data));
        zip_source_t* source = zip_source_function(archive_.get(), DeflatedSource::Call, state);
        if (source == nullptr) {
            delete state;
            return Check(false);
        }
        if (zip_file_add(archive_.get(), memberName.c_str(), source, ZIP_FL_ENC_GUESS) < 0) {
            zip_source_free(source);  // frees state through ZIP_SOURCE_FREE
            return Check(false);
        }
        return true;
    }

    bool Commit() override {
        if (!archive_)
            return false;
        if (zip_close(archive_.get()) != 0)
            return Check(false);  // still open: the handle discards it
        archive_.release();       // NOLINT(bugprone-unused-return-value): zip_close freed it
        const bool placed = PlaceWork();
        RemoveWorkFiles();
        return placed;
    }

    const std::string& ErrorText() const override { return error_; }

  private:
    bool Check(bool ok) {
        if (!ok && error_.empty())
            error_ = archive_ ? zip_strerror(archive_.get()) : "the archive is not open";
        return ok;
    }

    // libzip has written (or, left without members, removed) the work name; the archive
    // takes its place.
    bool PlaceWork() {
        if (workPath_ == path_)
            return true;  // libzip renamed its output into place or removed an empty archive
        if (!PathExists(workPath_))
            return !existed_ || DeleteFile(path_) || Fail("cannot remove the emptied archive");
        if (existed_ && SameFile(workPath_, path_))
            return true;  // nothing changed
        const bool placed = existed_ ? ::rename(workPath_.c_str(), path_.c_str()) == 0
                                     : RenameNoReplace(workPath_, path_);
        return placed || Fail("cannot put the new archive in place");
    }

    bool Fail(const std::string& what) {
        error_ = what + ": " + std::strerror(errno);
        return false;
    }

    zip_source_t* FileSource(const std::string& file) {
        if (!archive_) {
            Check(false);
            return nullptr;
        }
        ClearFileAttributes(file);
        if (!IsRegularFile(file)) {
            error_ = "not a regular file: " + file;
            return nullptr;
        }
        zip_source_t* source = zip_source_file(archive_.get(), file.c_str(), 0, 0);
        if (source == nullptr)
            Check(false);
        return source;
    }

    void PrepareWorkName() {
        workPath_ = path_;
        const std::string name = FileNamePart(path_);
        // A link is written through as libzip would, which a relative link would not survive
        // from another folder.
        if (name.empty() || IsSymbolicLink(path_))
            return;
        workFolder_ = FolderPart(path_) + kWorkFolderName;
        RemoveWorkFiles();
        if (!CreateFolder(workFolder_)) {
            workFolder_.clear();
            return;
        }
        const std::string work = workFolder_ + kSeparator + name;
        // A file system without hard links gets libzip's own names beside the archive.
        if (existed_ && ::link(path_.c_str(), work.c_str()) != 0) {
            RemoveWorkFiles();
            workFolder_.clear();
            return;
        }
        workPath_ = work;
    }

    // Our second name of the archive and libzip's partial output beside it, left by this
    // transaction or by a killed one; the folder goes when nothing else is in it.
    void RemoveWorkFiles() {
        if (workFolder_.empty() || !IsFolder(workFolder_))
            return;
        const std::string name = FileNamePart(path_);
        const std::string prefix = workFolder_ + kSeparator;
        for (const DirEntry& entry : ListFolder(prefix)) {
            if (!entry.isFolder && (entry.name == name || entry.name.starts_with(name + ".")))
                (void)DeleteFileForced(prefix + entry.name);  // the folder then stays
        }
        (void)RemoveEmptyFolder(workFolder_);
    }

    std::string path_;
    std::string workFolder_;  // empty when libzip works on the archive itself
    std::string workPath_;
    bool existed_ = false;
    ArchiveHandle archive_;
    std::string error_;
};

}  // namespace

bool ZipLibrary::Load() {
    Release();
    loaded_ = zip_libzip_version() != nullptr;
    return loaded_;
}

void ZipLibrary::Release() {
    loaded_ = false;
}

void RemoveZipLeftovers(const std::string& folder) {
    std::string work = folder;
    if (!work.empty() && work.back() != kSeparator)
        work += kSeparator;
    work += kWorkFolderName;
    if (IsFolder(work) && !IsSymbolicLink(work))
        (void)RemoveFolderTree(work);
}

std::unique_ptr<ZipTransaction> ZipLibrary::Open(const std::string& zipPath, ZipOpenMode mode) {
    return std::make_unique<LibzipTransaction>(zipPath, mode);
}

bool ZipLibrary::AddFiles(const std::string& zipPath, const std::vector<std::string>& filePaths,
                          bool junkPaths) {
    if (filePaths.empty())
        return false;
    const auto archive = Open(zipPath, ZipOpenMode::CreateWhenMissing);
    for (const std::string& file : filePaths) {
        if (!archive->Add(file, MemberNameFor(file, junkPaths)))
            return false;
    }
    return archive->Commit();
}

}  // namespace vextral
