#include "scanner/ReadAhead.h"

#include <algorithm>

namespace vextral {

ReadAhead::ReadAhead(std::vector<ReadAheadItem> plan, unsigned threads, std::size_t window)
    : window_(std::max<std::size_t>(window, 1)) {
    slots_.reserve(plan.size());
    for (ReadAheadItem& item : plan) {
        auto& byPath = item.kind == ReadAheadItem::Kind::Archive ? archives_ : folders_;
        // A path asked for again later (a parent's archive) is read once, for its first use.
        if (byPath.try_emplace(item.path, slots_.size()).second)
            slots_.push_back(Slot{std::move(item), State::Pending, 0, {}});
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
    changed_.notify_all();
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
        changed_.wait(lock, [&] { return stopping_ || (claimed = ClaimLocked()).has_value(); });
        if (stopping_)
            return;
        const ReadAheadItem item = slots_[*claimed].item;
        const unsigned epoch = slots_[*claimed].epoch;
        lock.unlock();
        std::variant<std::monostate, SetZipListing, ListedFolder> result;
        if (item.kind == ReadAheadItem::Kind::Archive)
            result = ReadSetZipListing(item.path, /*reportErrors=*/true);
        else if (auto listed = ListFolderNow(item.path))
            result = std::move(*listed);
        lock.lock();
        Slot& slot = slots_[*claimed];
        if (slot.state == State::Reading) {
            if (slot.epoch == epoch) {
                slot.result = std::move(result);
                slot.state = State::Ready;
            } else {
                slot.state = State::Pending;
                next_ = std::min(next_, *claimed);
            }
        }
        changed_.notify_all();
    }
}

void ReadAhead::Advance(std::size_t position) {
    {
        const std::lock_guard lock(mutex_);
        while (live_ < slots_.size() && slots_[live_].item.position < position) {
            slots_[live_].state = State::Gone;
            slots_[live_].result = std::monostate{};
            ++live_;
        }
    }
    changed_.notify_all();
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
    changed_.wait(lock, [&] { return slot.state != State::Reading; });
    std::optional<Listing> taken;
    if (auto* listing = std::get_if<Listing>(&slot.result); slot.state == State::Ready && listing)
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
    {
        const std::lock_guard lock(mutex_);
        // Slots never claimed are read after the change anyway.
        for (std::size_t i = live_; i < high_; ++i) {
            Slot& slot = slots_[i];
            if (slot.state == State::Gone || slot.state == State::Pending ||
                !stale(slot.item.path)) {
                continue;
            }
            ++slot.epoch;
            if (slot.state == State::Ready) {
                slot.state = State::Pending;
                slot.result = std::monostate{};
                next_ = std::min(next_, i);
            }
        }
    }
    changed_.notify_all();
}

}  // namespace vextral
