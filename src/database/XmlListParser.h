#pragma once
// Reads MAME's -listxml output (<mame> with <machine> or, from older builds, <game>
// elements) and XML datfiles (<datafile> with <header> and <game> or <machine> elements)
// with expat, streaming: the document is never held whole in memory.

#include <string>

#include "database/GameListBuilder.h"
#include "database/ListInput.h"
#include "ui/Progress.h"

namespace vextral {

enum class XmlListKind { Unknown, MameXml, Datafile };

struct XmlListResult {
    bool ok = false;       // the whole document was read
    bool stopped = false;  // the user pressed Stop
    std::string problem;   // why the document is not a list: one text naming line and column
    XmlListKind kind = XmlListKind::Unknown;
};

// Hands every game to builder; a BIOS machine becomes a BIOS set as a text list's
// "resource" block does. The caller discards what was built unless the result is ok.
XmlListResult ParseXmlList(ListInput& input, GameListBuilder& builder, Progress& progress);

}  // namespace vextral
