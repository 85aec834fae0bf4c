#pragma once

#include <string>

namespace vextral {

// $HOME, or the user's home folder from the password database when HOME is not set.
std::string HomeFolder();

// $XDG_DATA_HOME/vextral/ (default ~/.local/share/vextral/), ending with the separator.
std::string UserDataFolder();
// $XDG_CONFIG_HOME/vextral/ (default ~/.config/vextral/), ending with the separator.
std::string UserConfigFolder();
// $XDG_CACHE_HOME/vextral/ (default ~/.cache/vextral/), ending with the separator.
std::string UserCacheFolder();

}  // namespace vextral
