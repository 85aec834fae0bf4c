#pragma once

namespace vextral {

// How a rebuild, merge or unmerge run ended.
enum class RunOutcome {
    Completed,
    Stopped,  // the user stopped it; what was written so far stays
    Failed,   // it could not start (folders refused or unreadable)
};

}  // namespace vextral
