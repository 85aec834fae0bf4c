#pragma once
// Dialogs shown as Qt message boxes and file choosers, owned by the active window.

#include <QString>

#include "ui/Dialogs.h"

namespace vextral {

class QtDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    AskAnswer AskUser(const std::string& caption, const std::string& question) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                              const std::string& defaultExtension) override;
};

// "Vextral Logfile (*.txt)|*.txt||" as a file dialog's name filter list.
QString ToQtNameFilter(const std::string& filter);

}  // namespace vextral
