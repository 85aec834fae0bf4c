// Lists an arbitrary file as a zip archive and extracts every member it finds.

#include <unistd.h>

#include <vector>

#include "FuzzSupport.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vextral::fuzz::Scratch scratch;
    vextral::NullDialogs dialogs;
    const std::string input = scratch.Write("input", data, size);

    std::vector<vextral::ZipEntry> entries;
    (void)vextral::ZipReader(dialogs).ReadZipDirectory(input, entries,
                                                       /*requireZipExtension=*/false,
                                                       /*reportErrors=*/true);
    for (const vextral::ZipEntry& entry : entries) {
        if (entry.dataOffset > size || entry.compressedSize > size - entry.dataOffset)
            __builtin_trap();  // a member the reader placed outside the archive
        if (vextral::ExtractZipEntry(entry, scratch.Path("output"), dialogs))
            ::unlink(scratch.Path("output").c_str());
    }
    return 0;
}
