#include "rebuild/RebuildDialogue.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace vextral {

namespace {

bool AskYesNo(Dialogs& dialogs, const std::string& text, const std::string& caption) {
    return dialogs.ShowMessage(text, caption, MessageIcon::Question, MessageButtons::YesNo) ==
           MessageResult::Yes;
}

}  // namespace

bool RebuildFoldersAllowed(const std::string& sourceFolder, const std::string& destinationFolder) {
    if (sourceFolder.empty() || destinationFolder.empty())
        return false;
    // Both end with the separator, so a prefix match is a match of whole components:
    // /roms/ refuses /roms/new/ but not /romsnew/ or /data/new/roms/.
    const std::string source = WithSeparator(CanonicalPath(WithSeparator(sourceFolder)));
    const std::string destination = WithSeparator(CanonicalPath(WithSeparator(destinationFolder)));
    return !destination.starts_with(source);
}

void ShowRebuildPathError(Dialogs& dialogs) {
    dialogs.ShowMessage(
        "Destination- and source-folder have to differ.\nAnd your destination-folder can't be "
        "a subfolder of the source-folder.",
        "Path Error !", MessageIcon::Exclamation, MessageButtons::Ok);
}

std::optional<RebuildRequest> AskRebuildQuestions(Dialogs& dialogs) {
    RebuildRequest request;
    request.sourceFolder =
        dialogs.BrowseForFolder("From which folder do you want to rebuild ROMs ?");
    if (request.sourceFolder.empty())
        return std::nullopt;
    request.destinationFolder =
        dialogs.BrowseForFolder("In which folder do you want to store the files ?");
    if (request.destinationFolder.empty())
        return std::nullopt;
    if (!RebuildFoldersAllowed(request.sourceFolder, request.destinationFolder)) {
        ShowRebuildPathError(dialogs);
        return std::nullopt;
    }
    request.sourceFolder = WithSeparator(request.sourceFolder);
    request.destinationFolder = WithSeparator(request.destinationFolder);

    RebuildOptions& options = request.options;
    options.zip = AskYesNo(dialogs, "Do you want to zip the rebuilt files ?", "Create Zipfiles ?");
    options.biosEverywhere = AskYesNo(
        dialogs,
        "Do you also want to rebuild NeoGeo-BIOS-Roms ?\n\nIf yes, Vextral puts NeoGeo-BIOS-Roms "
        "in each NeoGeo-Gameset.\nOtherwise it tries to rebuild these BIOS-Roms only in "
        "NeoGeo(.zip).",
        "Rebuild NeoGeo-BIOS-Roms ?");
    options.badDumps = AskYesNo(dialogs,
                                "Do you want to rebuild bad dumps ?\n\nIf yes, Vextral will also "
                                "rebuild bad dumped roms when the name and the length is correct.",
                                "Rebuild Bad Dumps ?");
    options.complemented = AskYesNo(dialogs, "Do you want to rebuild complemented-crc-dumps ?",
                                    "Rebuild Complemented-CRC-Dumps ?");
    options.merge = AskYesNo(
        dialogs,
        "Do you want to merge the rebuilt files ?\nVextral will use your current merge-mode "
        "settings (split or full).\nIf you don't use a any merge mode, Vextral doesn't merge the "
        "rebuilt roms even if you answer 'yes'.",
        "Merge Rebuilt Files ?");
    return request;
}

}  // namespace vextral
