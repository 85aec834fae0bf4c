// Reads an arbitrary file as a game list, the way a list file given with --dat is read:
// told by its content, -listxml, an XML datfile or -listinfo text, plain or gzip. The XML
// reader also reads it in two halves at once. Run through scripts/fuzz.sh with the seed
// corpus in fuzz/xml-list-corpus/ and the dictionary fuzz/xml-list.dict.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "database/DatabaseLinker.h"
#include "database/GameListBuilder.h"
#include "database/ListParser.h"
#include "database/XmlListParser.h"
#include "platform/FileSystem.h"

namespace {

// One scratch file per fuzzing process, removed at exit.
class Scratch {
  public:
    Scratch() {
        char pattern[] = "/tmp/vextral-fuzz-list-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0)
            std::abort();
        ::close(fd);
        path_ = pattern;
    }
    ~Scratch() { ::unlink(path_.c_str()); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    if (!vextral::WriteFileReplacing(scratch.Path(),
                                     std::string_view(reinterpret_cast<const char*>(data), size)))
        std::abort();
    vextral::NullProgress progress;
    vextral::NullDialogs dialogs;

    vextral::GameDatabase database;
    vextral::RomCrcList crcs;
    if (vextral::ParseListFile(scratch.Path(), database, crcs, progress, dialogs,
                               /*listInfoWarnings=*/true) &&
        !database.empty()) {
        vextral::LinkGameDatabase(database, crcs);
        vextral::DatabaseCounts counts;
        vextral::ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    }

    vextral::GameDatabase halves;
    vextral::RomCrcList halfCrcs;
    vextral::GameListBuilder builder(halves, halfCrcs, 0);
    (void)vextral::ParseXmlList(scratch.Path(), builder, progress, vextral::XmlListOptions{0});
    return 0;
}
