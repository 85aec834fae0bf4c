#include "scanner/CollectionIndex.h"

#include <sys/stat.h>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "archive/ZipReader.h"
#include "platform/Path.h"
#include "scanner/ReadAhead.h"

namespace vextral {

namespace {

constexpr std::string_view kZipExtension = ".zip";
// Listings kept at once; the parent's zip is the one worth keeping between games. The
// members they hold together are bounded too (a member costs a few hundred bytes), so that
// folders of zip64 archives with a hundred thousand members each cost no more.
constexpr std::size_t kMaxKeptListings = 256;
constexpr std::size_t kMaxKeptMembers = std::size_t{1} << 16;
// Listings read ahead of the scan at most: enough to keep every reader busy on a slow device,
// a few megabytes of memory.
constexpr std::size_t kReadAheadWindow = 4096;

// Keeps the reader's messages instead of showing them.
class RecordingDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        return MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::vector<ReaderMessage> messages;
};

std::optional<std::pair<long, long>> ModificationTime(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return std::nullopt;
    return std::pair<long, long>{info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

// Is path the changed path itself or inside it (changed has no separator at its end).
bool IsSameOrUnder(std::string_view path, std::string_view changed) {
    if (!path.starts_with(changed))
        return false;
    return path.size() == changed.size() || path[changed.size()] == kSeparator;
}

}  // namespace

SetZipListing ReadSetZipListing(const std::string& zipPath, bool reportErrors) {
    RecordingDialogs recorder;
    const ZipReader reader(recorder);
    auto members = std::make_shared<std::vector<ZipEntry>>();
    SetZipListing listing;
    if (reader.ReadZipDirectory(zipPath, *members, /*requireZipExtension=*/false, reportErrors))
        listing.members = std::move(members);
    listing.messages = std::move(recorder.messages);
    return listing;
}

CollectionIndex::CollectionIndex(Dialogs& dialogs) : dialogs_(dialogs) {}

CollectionIndex::~CollectionIndex() {
    StopReadAhead();
}

const FolderListing& CollectionIndex::Snapshot(const std::string& folder) {
    const auto kept = snapshots_.find(folder);
    if (kept != snapshots_.end())
        return *kept->second.listing;
    const auto modified = ModificationTime(folder);
    return *snapshots_.emplace(folder, Snapshotted{&folders_.Listing(folder), modified})
                .first->second.listing;
}

std::shared_ptr<const SetLocation> CollectionIndex::Location(const std::string& location) {
    if (const auto kept = locations_.find(location); kept != locations_.end())
        return kept->second;
    auto kept = std::make_shared<SetLocation>();
    SetLocation& resolved = *kept;
    const auto slash = location.rfind(kSeparator);
    resolved.folder = slash == std::string::npos ? std::string() : location.substr(0, slash + 1);
    resolved.name = slash == std::string::npos ? location : location.substr(slash + 1);
    if (!resolved.name.empty()) {
        const FolderListing& listing = Snapshot(resolved.folder);
        const DirEntry* folder = listing.Find(resolved.name);
        if (folder != nullptr && folder->isFolder) {
            resolved.hasFolder = true;
            resolved.setFolder = resolved.folder + folder->name + kSeparator;
        }
        const DirEntry* zip = listing.Find(resolved.name + std::string(kZipExtension));
        if (zip != nullptr && zip->IsFile()) {
            resolved.hasZip = true;
            resolved.zipPath = resolved.folder + zip->name;
            resolved.zipStem =
                resolved.zipPath.substr(0, resolved.zipPath.size() - kZipExtension.size());
        }
    }
    locations_.emplace(location, kept);
    return kept;
}

std::shared_ptr<const std::vector<ZipEntry>> CollectionIndex::SetZipMembers(
    const std::string& zipPath) {
    if (const auto kept = zipListings_.find(zipPath); kept != zipListings_.end())
        return kept->second;
    // An archive the reader complained about once says nothing new the next time it is
    // listed in this scan (after a fix, or for another game of its family).
    const bool report = !reportedArchives_.contains(zipPath);
    auto prepared = readAhead_ ? readAhead_->TakeArchive(zipPath) : std::nullopt;
    SetZipListing listing = prepared ? std::move(*prepared) : ReadSetZipListing(zipPath, report);
    if (!report)
        listing.messages.clear();
    for (const ReaderMessage& message : listing.messages)
        dialogs_.ShowMessage(message.text, message.caption, message.icon, message.buttons);
    if (!listing.messages.empty())
        reportedArchives_.insert(zipPath);
    const std::size_t count = listing.members ? listing.members->size() : 0;
    if (zipListings_.size() >= kMaxKeptListings || keptMembers_ + count > kMaxKeptMembers) {
        zipListings_.clear();
        keptMembers_ = 0;
    }
    if (count <= kMaxKeptMembers) {
        zipListings_.emplace(zipPath, listing.members);
        keptMembers_ += count;
    }
    return listing.members;
}

std::uint32_t CollectionIndex::LooseCrc(const std::string& path) {
    if (const auto kept = looseCrcs_.find(path); kept != looseCrcs_.end())
        return kept->second;
    const std::uint32_t crc = FileCrc(path);
    looseCrcs_.emplace(path, crc);
    return crc;
}

void CollectionIndex::Invalidate(const std::string& path) {
    const std::string changed = WithoutSeparator(path);
    if (changed.empty()) {
        Reset();
        return;
    }
    const std::string holder = FolderPart(changed);
    // Listings the fixer kept up to date through its changes stay.
    folders_.RevalidateTree(changed);
    if (!holder.empty())
        folders_.Revalidate(holder);
    const auto stale = [&](std::string_view key) {
        return IsSameOrUnder(key, changed) || (!holder.empty() && key == holder);
    };
    std::erase_if(snapshots_, [&](const auto& kept) { return stale(kept.first); });
    std::erase_if(locations_, [&](const auto& kept) { return stale(kept.second->folder); });
    std::erase_if(zipListings_, [&](const auto& kept) {
        if (!stale(kept.first))
            return false;
        keptMembers_ -= kept.second ? kept.second->size() : 0;
        return true;
    });
    std::erase_if(looseCrcs_, [&](const auto& kept) { return stale(kept.first); });
    if (readAhead_) {
        readAhead_->Invalidate([&](std::string_view key) {
            return stale(key) || IsSameOrUnder(WithoutSeparator(std::string(key)), changed);
        });
    }
}

void CollectionIndex::InvalidateAll() {
    folders_.ForgetTold();
    if (readAhead_)
        readAhead_->Invalidate([](std::string_view) { return true; });
    zipListings_.clear();
    keptMembers_ = 0;
    locations_.clear();
    looseCrcs_.clear();
    std::erase_if(snapshots_, [](const auto& kept) {
        return ModificationTime(kept.first) != kept.second.modified;
    });
}

void CollectionIndex::Reset() {
    if (readAhead_)
        readAhead_->Invalidate([](std::string_view) { return true; });
    zipListings_.clear();
    keptMembers_ = 0;
    locations_.clear();
    looseCrcs_.clear();
    snapshots_.clear();
}

void CollectionIndex::StartScan() {
    StopReadAhead();
    Reset();
    reportedArchives_.clear();
}

void CollectionIndex::StartGame() {
    locations_.clear();
    looseCrcs_.clear();
}

void CollectionIndex::StartReadAhead(std::vector<ReadAheadItem> plan, unsigned threads) {
    StopReadAhead();
    readAhead_ = std::make_unique<ReadAhead>(std::move(plan), threads, kReadAheadWindow);
    folders_.SetPreparedSource(
        [this](const std::string& folder) { return readAhead_->TakeFolder(folder); });
}

void CollectionIndex::ReadAheadAt(std::size_t position) {
    if (readAhead_)
        readAhead_->Advance(position);
}

void CollectionIndex::StopReadAhead() {
    folders_.SetPreparedSource({});
    readAhead_.reset();
}

}  // namespace vextral
