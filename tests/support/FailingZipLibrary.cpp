#include "FailingZipLibrary.h"

namespace vextral::test {

namespace {

constexpr const char* kInjected = "injected failure";

class FailingTransaction final : public ZipTransaction {
  public:
    // real is null when opening was made to fail.
    FailingTransaction(FailingZipLibrary& library, std::unique_ptr<ZipTransaction> real)
        : library_(library), real_(std::move(real)) {
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
    bool Commit() override {
        return Step(true, [&] { return real_->Commit(); });
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
        return std::make_unique<FailingTransaction>(*this, nullptr);
    return std::make_unique<FailingTransaction>(*this, ZipLibrary::Open(zipPath, mode));
}

}  // namespace vextral::test
