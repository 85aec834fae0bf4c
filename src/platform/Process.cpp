#include "platform/Process.h"
#include "platform/FileDescriptor.h"
#include "platform/Path.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

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

// Our environment with the changes applied, as NAME=value entries.
std::vector<std::string> ChangedEnvironment(
    const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (!changes.contains(std::string(text.substr(0, text.find('=')))))
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            entries.push_back(name + "=" + *value);
    }
    return entries;
}

std::vector<char*> NullTerminated(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

std::optional<pid_t> Spawn(const std::vector<std::string>& argv,
                           posix_spawn_file_actions_t* actions, char* const* environment) {
    if (argv.empty() || argv.front().empty())
        return std::nullopt;
    const std::string program = ProgramPath(argv.front());
    std::vector<char*> args = NullTerminated(argv);
    pid_t pid = 0;
    const bool searchPath = program.find('/') == std::string::npos;
    const int error =
        searchPath
            ? ::posix_spawnp(&pid, program.c_str(), actions, nullptr, args.data(), environment)
            : ::posix_spawn(&pid, program.c_str(), actions, nullptr, args.data(), environment);
    if (error != 0)
        return std::nullopt;
    return pid;
}

// Opens a file the child gets as one of its standard descriptors; nothing when none is asked.
bool OpenFor(const std::string& path, int flags, FileDescriptor& file) {
    if (path.empty())
        return true;
    file = FileDescriptor(::open(path.c_str(), flags | O_CLOEXEC, 0644));
    return file.IsOpen();
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

std::optional<pid_t> StartProcess(const ProcessOptions& options) {
    constexpr int kWrite = O_WRONLY | O_CREAT | O_TRUNC;
    FileDescriptor input(-1);
    FileDescriptor output(-1);
    FileDescriptor error(-1);
    if (!OpenFor(options.inputPath, O_RDONLY, input) ||
        !OpenFor(options.outputPath, kWrite, output) ||
        !OpenFor(options.errorPath, kWrite, error)) {
        return std::nullopt;
    }
    SpawnActions actions;
    if (!actions.ok())
        return std::nullopt;
    const std::pair<const FileDescriptor*, int> redirections[] = {
        {&input, STDIN_FILENO}, {&output, STDOUT_FILENO}, {&error, STDERR_FILENO}};
    for (const auto& [file, target] : redirections) {
        if (file->IsOpen() &&
            ::posix_spawn_file_actions_adddup2(actions.Get(), file->Get(), target) != 0) {
            return std::nullopt;
        }
    }
    if (!options.workingFolder.empty() &&
        ::posix_spawn_file_actions_addchdir_np(actions.Get(), options.workingFolder.c_str()) != 0) {
        return std::nullopt;
    }
    if (options.environment.empty())
        return Spawn(options.argv, actions.Get(), environ);
    const std::vector<std::string> environment = ChangedEnvironment(options.environment);
    std::vector<char*> entries = NullTerminated(environment);
    return Spawn(options.argv, actions.Get(), entries.data());
}

bool RunToFile(const std::vector<std::string>& argv, const std::string& outputPath,
               const std::string& workingFolder, const std::string& errorPath) {
    ProcessOptions options;
    options.argv = argv;
    options.workingFolder = workingFolder;
    options.inputPath = "/dev/null";
    options.outputPath = outputPath;
    options.errorPath = errorPath;
    const auto pid = StartProcess(options);
    return pid && Wait(*pid).has_value();
}

std::optional<int> RunAndWait(const std::vector<std::string>& argv) {
    const auto pid = Spawn(argv, nullptr, environ);
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
            const std::string folder =
                WithSeparator(std::string(folders.substr(start, end - start)));
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
