#include "app/core/FastScanSnapshot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace vextral {
namespace {

// The whole file is a few kilobytes plus one byte per game; anything far larger is not ours.
constexpr std::uint64_t kMaxFileLength = 16ull * 1024 * 1024;

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::uint32_t> Read(std::size_t width) {
        if (bytes_.size() - position_ < width)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[position_ + i]))
                     << (8 * i);
        }
        position_ += width;
        return value;
    }

    std::optional<std::string> ReadCountedString() {
        auto length = Read(1);
        if (length && *length == 0xFF) {
            length = Read(2);
            if (length && *length == 0xFFFF)
                length = Read(4);
        }
        if (!length || bytes_.size() - position_ < *length)
            return std::nullopt;
        std::string text(bytes_.substr(position_, *length));
        position_ += *length;
        return text;
    }

  private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

void Put(std::string& out, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutCountedString(std::string& out, const std::string& text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    if (length < 255) {
        Put(out, length, 1);
    } else if (length < 65534) {
        Put(out, 0xFF, 1);
        Put(out, length, 2);
    } else {
        Put(out, 0xFF, 1);
        Put(out, 0xFFFF, 2);
        Put(out, length, 4);
    }
    out += text;
}

}  // namespace

bool ReadFastScanFile(const std::string& path, FastScanSnapshot& snapshot,
                      const GameDatabase& database, GameSelection& selection) {
    const std::optional<std::string> bytes = ReadRegularFile(path, kMaxFileLength);
    if (!bytes)
        return false;

    // Everything is parsed before anything is applied, so a damaged file changes nothing.
    ByteReader reader(*bytes);
    const auto gameCount = reader.Read(4);
    if (!gameCount || *gameCount != database.size())
        return false;
    FastScanSnapshot read;
    for (std::string* text :
         {&read.fields.misc, &read.fields.rom, &read.fields.sample, &read.fields.select}) {
        auto value = reader.ReadCountedString();
        if (!value)
            return false;
        *text = std::move(*value);
    }
    const auto available = reader.Read(1);
    if (!available)
        return false;
    read.fastScanAvailable = *available == 1;
    for (const auto& field : kScanOptionFields) {
        const auto flag = reader.Read(1);
        if (!flag)
            return false;
        read.options.*field.member = *flag == 1;
    }
    std::vector<bool> needsRescan(database.size());
    for (std::size_t i = 0; i < database.size(); ++i) {
        const auto flag = reader.Read(1);
        if (!flag)
            return false;
        needsRescan[i] = *flag != 0;
    }

    snapshot = std::move(read);
    selection.resize(database.size());
    for (std::size_t i = 0; i < database.size(); ++i)
        selection[i].needsRescan = needsRescan[i];
    return true;
}

bool WriteFastScanFile(const std::string& path, const FastScanSnapshot& snapshot,
                       const GameDatabase& database, const GameSelection& selection) {
    std::string out;
    out.reserve(64 + database.size());
    Put(out, static_cast<std::uint32_t>(database.size()), 4);
    PutCountedString(out, snapshot.fields.misc);
    PutCountedString(out, snapshot.fields.rom);
    PutCountedString(out, snapshot.fields.sample);
    PutCountedString(out, snapshot.fields.select);
    Put(out, snapshot.fastScanAvailable ? 1 : 0, 1);
    for (const auto& field : kScanOptionFields)
        Put(out, snapshot.options.*field.member ? 1 : 0, 1);
    for (std::size_t i = 0; i < database.size(); ++i)
        Put(out, i >= selection.size() || selection[i].needsRescan ? 1 : 0, 1);

    return WriteFileReplacing(path, out);
}

}  // namespace vextral
