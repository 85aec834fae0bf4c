#include "archive/ZipLibrary.h"

#include <zip.h>

#include <memory>
#include <unordered_set>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

// An archive handle that is discarded unless its changes were committed.
struct ArchiveDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveDiscarder>;

ArchiveHandle OpenArchive(const std::string& zipPath, int flags) {
    int error = 0;
    return ArchiveHandle(zip_open(zipPath.c_str(), flags, &error));
}

bool Commit(ArchiveHandle& archive) {
    if (zip_close(archive.get()) != 0)
        return false;   // still open: the deleter discards it
    archive.release();  // NOLINT(bugprone-unused-return-value): zip_close freed it
    return true;
}

std::string MemberNameFor(const std::string& filePath, bool junkPaths) {
    if (junkPaths)
        return FileNamePart(filePath);
    const std::size_t start = filePath.find_first_not_of('/');
    return start == std::string::npos ? std::string() : filePath.substr(start);
}

}  // namespace

bool ZipLibrary::Load() {
    Release();
    loaded_ = zip_libzip_version() != nullptr;
    return loaded_;
}

void ZipLibrary::Release() {
    loaded_ = false;
}

bool ZipLibrary::DeleteMembers(const std::string& zipPath,
                               const std::vector<std::string>& memberNames) {
    if (memberNames.empty())
        return false;
    ClearFileAttributes(zipPath);
    ArchiveHandle archive = OpenArchive(zipPath, 0);
    if (!archive)
        return false;

    // Every member of a listed name goes, duplicates included; a name that is not there
    // fails the whole call so the caller never believes a member removed that was not.
    const std::unordered_set<std::string> wanted(memberNames.begin(), memberNames.end());
    std::unordered_set<std::string> found;
    zip_int64_t deleted = 0;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        const auto member = static_cast<zip_uint64_t>(index);
        const char* name = zip_get_name(archive.get(), member, ZIP_FL_ENC_RAW);
        if (name == nullptr || !wanted.contains(name))
            continue;
        if (zip_delete(archive.get(), member) != 0)
            return false;
        found.insert(name);
        ++deleted;
    }
    if (found.size() != wanted.size())
        return false;
    if (!Commit(archive))
        return false;
    // libzip removes an archive left without members; make sure of it.
    if (deleted == count && PathExists(zipPath))
        return DeleteFile(zipPath);
    return true;
}

bool ZipLibrary::AddFiles(const std::string& zipPath, const std::vector<std::string>& filePaths,
                          bool junkPaths) {
    if (filePaths.empty())
        return false;
    for (const std::string& file : filePaths)
        ClearFileAttributes(file);
    ClearFileAttributes(zipPath);
    ArchiveHandle archive = OpenArchive(zipPath, ZIP_CREATE);
    if (!archive)
        return false;

    for (const std::string& file : filePaths) {
        const std::string memberName = MemberNameFor(file, junkPaths);
        if (memberName.empty() || !IsRegularFile(file))
            return false;
        zip_source_t* source = zip_source_file(archive.get(), file.c_str(), 0, 0);
        if (source == nullptr)
            return false;
        const zip_int64_t index =
            zip_file_add(archive.get(), memberName.c_str(), source, ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index),
                                     ZIP_CM_DEFLATE, 9) != 0) {
            return false;
        }
    }
    return Commit(archive);
}

}  // namespace vextral
