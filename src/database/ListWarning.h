#pragma once
// The "-listinfo bug:" warnings shown while a list is loaded and validated.

#include <string>
#include <string_view>
#include <vector>

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

// One warning of reading a list, kept so that a list read again from the cache warns alike.
struct ListWarning {
    std::string name;
    std::string description;
    std::string problem;
    bool ofList = false;  // about the list text itself: no game named
    bool operator==(const ListWarning&) const = default;
};

inline void ShowListInfoWarnings(Dialogs& dialogs, const std::vector<ListWarning>& warnings) {
    for (const ListWarning& warning : warnings) {
        if (warning.ofList)
            ShowListInfoWarning(dialogs, warning.problem);
        else
            ShowListInfoWarning(dialogs, warning.name, warning.description, warning.problem);
    }
}

}  // namespace vextral
