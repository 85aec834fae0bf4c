#pragma once
// Line and token reading of -listinfo text. The file (plain or gzip-compressed) is read in
// large chunks; a line or token handed out as a view stays valid only until the next read.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/ListInput.h"

namespace vextral {

class ListReader {
  public:
    ListReader() = default;
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return input_.IsOpen(); }

    // The next line without its line end (LF or CR LF). 1: a line; 0: end of file;
    // -1: the file could not be read further. A line longer than kMaxLineLength is skipped
    // (never held whole) and handed to onLongLine by its number, counted from 1.
    int ReadLine(std::string_view& line);

    static constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;
    std::function<void(std::uint64_t lineNumber)> onLongLine;

  private:
    friend int ReadListToken(ListReader& reader, std::string_view& token);

    bool Fill();
    // ReadLine without the cap's skipping; tooLong tells that the line was not kept.
    int ReadAnyLine(std::string_view& line, bool& tooLong);

    ListInput input_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool readError_ = false;
    std::string longLine_;  // a line that crossed a chunk boundary
    std::uint64_t lineNumber_ = 0;

    // Tokenizer state: the unread rest of the current line.
    std::string_view rest_;
    bool needLine_ = true;
};

// Delivers the next token: 1 a token (possibly empty), 0 end of file, -1 read error.
// The view stays valid until the next call on the same reader.
int ReadListToken(ListReader& reader, std::string_view& token);
// The same, copying the token.
int ReadListToken(ListReader& reader, std::string& token);

}  // namespace vextral
