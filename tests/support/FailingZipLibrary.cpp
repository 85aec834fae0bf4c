#include "FailingZipLibrary.h"

#include <array>
#include <fstream>

namespace vextral::test {

namespace {

constexpr const char* kInjected = "injected failure";

// Inverts the first data byte of the member whose local header opens the archive.
void AlterFirstMember(const std::string& zipPath) {
    std::fstream file(zipPath, std::ios::in | std::ios::out | std::ios::binary);
    std::array<unsigned char, 30> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size()))
        return;
    const std::streamoff data =
        30 + (header[26] | header[27] << 8) + (header[28] | header[29] << 8);
    char byte = 0;
    if (file.seekg(data).get(byte)) {
        file.seekp(data);
        file.put(static_cast<char>(~byte));
    }
}

class FailingTransaction final : public ZipTransaction {
  public:
    // real is null when opening was made to fail.
    FailingTransaction(FailingZipLibrary& library, std::unique_ptr<ZipTransaction> real,
                       std::string zipPath)
        : library_(library), real_(std::move(real)), zipPath_(std::move(zipPath)) {
        if (!real_)
            error_ = kInjected;
    }

    bool IsOpen() const override { return real_ && real_->IsOpen(); }
    std::uint64_t MemberCount() const override { return real_ ? real_->MemberCount() : 0; }
    std::optional<MemberInfo> Member(std::uint64_t index) const override {
        return real_ ? real_->Member(index) : std::nullopt;
    }

    bool Delete(std::uint64_t index) override {
        return Step(false, [&] { return real_->Delete(index); });
    }
    bool Rename(std::uint64_t index, const std::string& newName) override {
        return Step(false, [&] { return real_->Rename(index, newName); });
    }
    bool Replace(std::uint64_t index, const std::string& file) override {
        return Step(false, [&] { return real_->Replace(index, file); });
    }
    bool Add(const std::string& file, const std::string& memberName) override {
        return Step(false, [&] { return real_->Add(file, memberName); });
    }
    bool AddDeflated(std::shared_ptr<const DeflatedData> data,
                     const std::string& memberName) override {
        return Step(false, [&] { return real_->AddDeflated(std::move(data), memberName); });
    }
    bool Commit() override {
        const bool committed = Step(true, [&] { return real_->Commit(); });
        if (committed && library_.alterWrittenData)
            AlterFirstMember(zipPath_);
        return committed;
    }

    const std::string& ErrorText() const override {
        return !error_.empty() || !real_ ? error_ : real_->ErrorText();
    }

  private:
    template <typename Call>
    bool Step(bool isCommit, Call call) {
        if (library_.StepFails(isCommit)) {
            error_ = kInjected;
            return false;
        }
        return real_ && call();
    }

    FailingZipLibrary& library_;
    std::unique_ptr<ZipTransaction> real_;
    std::string zipPath_;
    std::string error_;
};

}  // namespace

bool FailingZipLibrary::StepFails(bool isCommit) {
    ++steps;
    commits += isCommit ? 1 : 0;
    const bool fails = failEveryStep || steps == failStep || (isCommit && commits == failCommit);
    failures += fails ? 1 : 0;
    return fails;
}

std::unique_ptr<ZipTransaction> FailingZipLibrary::Open(const std::string& zipPath,
                                                        ZipOpenMode mode) {
    if (StepFails(false))
        return std::make_unique<FailingTransaction>(*this, nullptr, zipPath);
    return std::make_unique<FailingTransaction>(*this, ZipLibrary::Open(zipPath, mode), zipPath);
}

}  // namespace vextral::test
