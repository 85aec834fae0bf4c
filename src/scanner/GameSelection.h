#pragma once
// A session's marks beside the game list, one per game and indexed like the database: which
// games the chosen list selects, and which the next fast scan visits again.

#include <vector>

namespace vextral {

struct GameMarks {
    bool selected = true;
    bool needsRescan = true;
};

using GameSelection = std::vector<GameMarks>;

}  // namespace vextral
