#include "scanner/ReadAhead.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

namespace vextral {

namespace {

// Idle readers are woken when this many listings can be started, not for each one: the scan
// moves on by one game at a time, and waking a thread per game costs more than the reads.
constexpr std::size_t kWakeBatch = 32;
// A file last changed this shortly before it was read may change again within the same time
// stamp; its identity then tells nothing.
constexpr long kSettledSeconds = 2;

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<unsigned long>(info.st_dev),
                        static_cast<unsigned long>(info.st_ino),
                        static_cast<long long>(info.st_size),
                        info.st_mtim.tv_sec,
                        info.st_mtim.tv_nsec,
                        info.st_ctim.tv_sec,
                        info.st_ctim.tv_nsec};
}

// The identity of an archive unchanged during its reading and settled before it.
std::optional<FileIdentity> ReadSettled(const std::string& path, SetZipListing& listing) {
    const auto before = IdentityOf(path);
    const std::time_t started = std::time(nullptr);
    listing = ReadSetZipListing(path, /*reportErrors=*/true);
    const auto after = IdentityOf(path);
    if (!before || before != after ||
        started - std::max(before->modifiedSeconds, before->changedSeconds) <= kSettledSeconds) {
        return std::nullopt;
    }
    return before;
}

}  // namespace

ReadAhead::ReadAhead(std::vector<ReadAheadItem> plan, unsigned threads, std::size_t window)
    : window_(std::max<std::size_t>(window, 1)) {
    slots_.reserve(plan.size());
    for (ReadAheadItem& item : plan) {
        auto& byPath = item.kind == ReadAheadItem::Kind::Archive ? archives_ : folders_;
        // A path asked for again later (a parent's archive) is read once, for its first use.
        if (byPath.try_emplace(item.path, slots_.size()).second)
            slots_.push_back(Slot{std::move(item), State::Pending, false, {}, std::nullopt});
    }
    readers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        readers_.emplace_back([this] { Read(); });
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& reader : readers_)
        reader.join();
}

std::optional<std::size_t> ReadAhead::ClaimLocked() {
    while (next_ < slots_.size() && slots_[next_].state != State::Pending)
        ++next_;
    if (next_ >= slots_.size() || next_ >= live_ + window_)
        return std::nullopt;
    slots_[next_].state = State::Reading;
    high_ = std::max(high_, next_ + 1);
    return next_++;
}

void ReadAhead::Read() {
    std::unique_lock lock(mutex_);
    while (true) {
        std::optional<std::size_t> claimed;
        while (!stopping_ && !(claimed = ClaimLocked())) {
            ++idle_;
            work_.wait(lock);
            --idle_;
        }
        if (stopping_)
            return;
        const ReadAheadItem item = slots_[*claimed].item;
        lock.unlock();
        std::variant<std::monostate, SetZipListing, ListedFolder> result;
        std::optional<FileIdentity> read;
        if (item.kind == ReadAheadItem::Kind::Archive) {
            SetZipListing listing;
            read = ReadSettled(item.path, listing);
            result = std::move(listing);
        } else if (auto listed = ListFolderNow(item.path)) {
            result = std::move(*listed);
        }
        lock.lock();
        Slot& slot = slots_[*claimed];
        if (slot.state == State::Reading) {
            slot.result = std::move(result);
            slot.read = read;
            slot.state = State::Ready;
        }
        if (scanWaiting_)
            done_.notify_one();
    }
}

void ReadAhead::Advance(std::size_t position) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        if (live_ >= slots_.size() || slots_[live_].item.position >= position)
            return;
        while (live_ < slots_.size() && slots_[live_].item.position < position) {
            slots_[live_].state = State::Gone;
            slots_[live_].result = std::monostate{};
            ++live_;
        }
        next_ = std::max(next_, live_);
        const std::size_t end = std::min(slots_.size(), live_ + window_);
        wake = idle_ > 0 && next_ < end && (end - next_ >= kWakeBatch || end == slots_.size());
    }
    if (wake)
        work_.notify_all();
}

std::optional<std::size_t> ReadAhead::SlotOfLocked(ReadAheadItem::Kind kind,
                                                   const std::string& path) {
    const auto& byPath = kind == ReadAheadItem::Kind::Archive ? archives_ : folders_;
    const auto found = byPath.find(path);
    if (found == byPath.end())
        return std::nullopt;
    return found->second;
}

template <typename Listing>
std::optional<Listing> ReadAhead::Take(ReadAheadItem::Kind kind, const std::string& path) {
    std::unique_lock lock(mutex_);
    const auto index = SlotOfLocked(kind, path);
    if (!index)
        return std::nullopt;
    Slot& slot = slots_[*index];
    while (slot.state == State::Reading) {
        scanWaiting_ = true;
        done_.wait(lock);
        scanWaiting_ = false;
    }
    std::optional<Listing> taken;
    // A suspect archive is handed over only if it is still the file that was read.
    const bool current = !slot.suspect || (slot.read && IdentityOf(path) == slot.read);
    if (auto* listing = std::get_if<Listing>(&slot.result);
        slot.state == State::Ready && listing && current)
        taken = std::move(*listing);
    slot.state = State::Gone;
    slot.result = std::monostate{};
    return taken;
}

std::optional<SetZipListing> ReadAhead::TakeArchive(const std::string& path) {
    return Take<SetZipListing>(ReadAheadItem::Kind::Archive, path);
}

std::optional<ListedFolder> ReadAhead::TakeFolder(const std::string& folder) {
    return Take<ListedFolder>(ReadAheadItem::Kind::Folder, folder);
}

void ReadAhead::Invalidate(const std::function<bool(std::string_view)>& stale) {
    const std::lock_guard lock(mutex_);
    // Slots never claimed are read after the change anyway.
    for (std::size_t i = live_; i < high_; ++i) {
        Slot& slot = slots_[i];
        if (slot.item.kind == ReadAheadItem::Kind::Archive &&
            (slot.state == State::Ready || slot.state == State::Reading) && !slot.suspect &&
            stale(slot.item.path)) {
            slot.suspect = true;
        }
    }
}

}  // namespace vextral
