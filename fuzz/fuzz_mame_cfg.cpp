// Reads an arbitrary file as mame.cfg and as mame.ini into the scanner's path lists.

#include "FuzzSupport.h"
#include "archive/ZipLibrary.h"
#include "scanner/Scanner.h"

namespace {

class NoResults final : public vextral::ResultSink {
  public:
    void AddResultLine(const std::string&, bool, int) override {}
    void ClearResults() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vextral::fuzz::Scratch scratch;
    static vextral::NullDialogs dialogs;
    static vextral::NullProgress progress;
    static NoResults results;
    static vextral::ZipLibrary zipLibrary;
    static vextral::Scanner scanner(dialogs, progress, results, zipLibrary);

    scratch.Write("mame.cfg", data, size);
    scratch.Write("mame.ini", data, size);
    scanner.paths.romList.clear();
    scanner.paths.sampleList.clear();
    scanner.paths.miscList.clear();
    scanner.ReadMameConfigPaths(scratch.Path(""));
    // Only existing folders, each once, each ending with the separator.
    for (const auto* list :
         {&scanner.paths.romList, &scanner.paths.sampleList, &scanner.paths.miscList}) {
        for (const std::string& folder : *list) {
            if (folder.empty() || folder.back() != vextral::kSeparator)
                __builtin_trap();
        }
    }
    return 0;
}
