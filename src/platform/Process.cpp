#include "platform/Process.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace vextral {

namespace {

// Owns a file-actions object for the length of one spawn.
class SpawnActions {
  public:
    SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_)
            ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* Get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

// A relative program path would be taken relative to the child's new working folder;
// anchor it at ours instead. A bare name is searched in PATH as the shell would.
std::string ProgramPath(const std::string& program) {
    if (program.empty() || program.front() == '/' || program.find('/') == std::string::npos) {
        return program;
    }
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr)
        return program;
    std::string absolute = std::string(cwd) + "/" + program;
    std::free(cwd);
    return absolute;
}

std::optional<pid_t> Spawn(const std::vector<std::string>& argv,
                           posix_spawn_file_actions_t* actions) {
    if (argv.empty() || argv.front().empty())
        return std::nullopt;
    const std::string program = ProgramPath(argv.front());
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const bool searchPath = program.find('/') == std::string::npos;
    const int error =
        searchPath ? ::posix_spawnp(&pid, program.c_str(), actions, nullptr, args.data(), environ)
                   : ::posix_spawn(&pid, program.c_str(), actions, nullptr, args.data(), environ);
    if (error != 0)
        return std::nullopt;
    return pid;
}

std::optional<int> Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return std::nullopt;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return status;
}

}  // namespace

bool RunToFile(const std::vector<std::string>& argv, const std::string& outputPath,
               const std::string& workingFolder, const std::string& errorPath) {
    const FileDescriptor output(
        ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (output.Get() < 0)
        return false;
    const FileDescriptor error(
        errorPath.empty()
            ? -1
            : ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!errorPath.empty() && error.Get() < 0)
        return false;
    SpawnActions actions;
    if (!actions.ok())
        return false;
    if (::posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0) !=
            0 ||
        ::posix_spawn_file_actions_adddup2(actions.Get(), output.Get(), STDOUT_FILENO) != 0 ||
        (error.Get() >= 0 &&
         ::posix_spawn_file_actions_adddup2(actions.Get(), error.Get(), STDERR_FILENO) != 0)) {
        return false;
    }
    if (!workingFolder.empty() &&
        ::posix_spawn_file_actions_addchdir_np(actions.Get(), workingFolder.c_str()) != 0) {
        return false;
    }
    const auto pid = Spawn(argv, actions.Get());
    if (!pid)
        return false;
    return Wait(*pid).has_value();
}

std::optional<int> RunAndWait(const std::vector<std::string>& argv) {
    const auto pid = Spawn(argv, nullptr);
    if (!pid)
        return std::nullopt;
    return Wait(*pid);
}

std::optional<std::string> FindInSearchPath(const std::string& fileName) {
    if (fileName.empty() || fileName.find('/') != std::string::npos)
        return std::nullopt;
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return std::nullopt;
    const std::string_view folders(path);
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string_view::npos)
            end = folders.size();
        // An empty entry would mean the current folder; never search that implicitly.
        if (end > start) {
            std::string folder(folders.substr(start, end - start));
            if (folder.back() != '/')
                folder += '/';
            const std::string candidate = folder + fileName;
            struct stat info {};
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0) {
                return folder;
            }
        }
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace vextral
