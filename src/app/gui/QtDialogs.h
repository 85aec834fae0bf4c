#pragma once
// Dialogs shown as Qt message boxes and file choosers, owned by the active window.

#include <QString>

#include "ui/Dialogs.h"

namespace vextral {

class QtDialogs final : public Dialogs {
  public:
    QtDialogs();

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    AskAnswer AskUser(const std::string& caption, const std::string& question) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::optional<std::string> ChooseOpenFile() override;
    std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                              const std::string& defaultExtension) override;

  private:
    // Where each chooser opens: the home folder at first, then where it was last used; never
    // the current folder, which every action of the main window sets to the MAME folder.
    QString folderStart_;
    QString openStart_;
    QString saveStart_;
};

// "Vextral Logfile (*.txt)|*.txt||" as a file dialog's name filter list.
QString ToQtNameFilter(const std::string& filter);

}  // namespace vextral
