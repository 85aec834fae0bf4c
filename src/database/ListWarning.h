#pragma once
// The "-listinfo bug:" warnings shown while a list is loaded and validated.

#include <string>
#include <string_view>

#include "ui/Dialogs.h"

namespace vextral {

inline constexpr const char* kMessageCaption = "Vextral";

inline void ShowListInfoWarning(Dialogs& dialogs, std::string_view name,
                                std::string_view description, std::string_view problem) {
    std::string text = "-listinfo bug:\n\n";
    text.append(name).append(" (").append(description).append(")\n\n").append(problem);
    dialogs.ShowMessage(text, kMessageCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

// A problem of the list text itself, not of one game.
inline void ShowListInfoWarning(Dialogs& dialogs, std::string_view problem) {
    std::string text = "-listinfo bug:\n\n";
    text.append(problem);
    dialogs.ShowMessage(text, kMessageCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace vextral
