#pragma once
// Reads MAME's -listxml output (<mame> with <machine> elements or, from older builds,
// <game> elements) and XML datfiles (<datafile> with <header> and <game> or <machine>
// elements) with expat, streaming: the document is never held whole in memory.

#include <cstdint>
#include <string>

#include "database/GameListBuilder.h"
#include "ui/Progress.h"

namespace vextral {

enum class XmlListKind { Unknown, MameXml, Datafile };

struct XmlListResult {
    bool ok = false;       // the whole document was read
    bool stopped = false;  // the user pressed Stop
    std::string problem;   // why the document is not a list: one text naming line and column
    XmlListKind kind = XmlListKind::Unknown;
    bool readInHalves = false;  // the two halves of the file were read at once
};

struct XmlListOptions {
    // An uncompressed file at least this long is read as two halves at once, the second
    // on a worker thread that touches nothing but its own records. What the halves give is
    // used only when both were read without fault; otherwise the file is read again whole,
    // so a problem is always named at its true place.
    std::uint64_t splitFrom = 16u << 20;
};

// Hands every game to builder; a BIOS machine becomes a BIOS set as a text list's
// "resource" block does. The caller discards what was built unless the result is ok.
XmlListResult ParseXmlList(const std::string& path, GameListBuilder& builder, Progress& progress,
                           const XmlListOptions& options = {});

}  // namespace vextral
