#pragma once
// A set zip's members as listed: the kept listing, copied only when a fix is about to change
// the list in place. A long kept listing is searched by name through an index, so a set of a
// hundred thousand members is not searched once per ROM from the start.

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/ZipEntry.h"
#include "platform/Text.h"

namespace vextral {

class MemberList {
  public:
    void Assign(std::shared_ptr<const std::vector<ZipEntry>> kept) {
        kept_ = std::move(kept);
        own_.clear();
        owned_ = false;
        byName_.clear();
    }
    bool Read() const { return owned_ || kept_ != nullptr; }
    const std::vector<ZipEntry>& Get() const {
        static const std::vector<ZipEntry> kNone;
        return owned_ ? own_ : (kept_ ? *kept_ : kNone);
    }
    std::vector<ZipEntry>& Mutable() {
        if (!owned_) {
            own_ = Get();
            owned_ = true;
            kept_.reset();
            byName_.clear();
        }
        return own_;
    }
    // The first member of that name, ignoring case.
    std::optional<std::size_t> Find(std::string_view name) const;

  private:
    std::shared_ptr<const std::vector<ZipEntry>> kept_;
    std::vector<ZipEntry> own_;
    bool owned_ = false;
    // Of the kept listing only, which never changes; built at the first look.
    mutable std::unordered_map<std::string_view, std::size_t, CaseInsensitiveHash,
                               CaseInsensitiveEqual>
        byName_;
};

}  // namespace vextral
