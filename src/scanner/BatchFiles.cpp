#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "scanner/Scanner.h"

namespace vextral {

namespace {

// The words of a text split at runs of blanks and tabs, as a command line splits them.
void AppendWords(std::string_view text, std::vector<std::string>& words) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            words.emplace_back(text.substr(start, i - start));
    }
}

}  // namespace

void Scanner::RunBatchFile(const GameRecord& game, const GameFindings& findings) {
    const std::string file =
        config.programFolder + (findings.setFound ? "_exist.sh" : "_noexist.sh");
    // The batch files are optional; without one there is nothing to run.
    if (!IsRegularFile(file))
        return;
    // An argument vector, never a command line: the description is data from a list file.
    std::vector<std::string> argv{"/bin/sh", file, game.name};
    AppendWords(game.description, argv);
    static_cast<void>(RunAndWait(argv));
}

}  // namespace vextral
