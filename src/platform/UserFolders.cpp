#include "platform/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace vextral {

namespace {

std::string AppFolder(const char* xdgVariable, const char* homeRelative) {
    // A relative XDG value is invalid by the base-directory rules and is ignored.
    const char* xdg = std::getenv(xdgVariable);
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        base = HomeFolder();
        if (base.empty() || base.back() != kSeparator)
            base += kSeparator;
        base += homeRelative;
    }
    if (base.back() != kSeparator)
        base += kSeparator;
    return base + "vextral" + kSeparator;
}

}  // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return home;
    // Services and some sandboxes run without HOME; the password entry still knows it.
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string UserDataFolder() {
    return AppFolder("XDG_DATA_HOME", ".local/share");
}

std::string UserConfigFolder() {
    return AppFolder("XDG_CONFIG_HOME", ".config");
}

std::string UserCacheFolder() {
    return AppFolder("XDG_CACHE_HOME", ".cache");
}

}  // namespace vextral
