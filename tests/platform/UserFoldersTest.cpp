#include "platform/UserFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace vextral {
namespace {

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
  public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    void Set(const std::string& name, const char* value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            ::setenv(name.c_str(), value, 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(UserFoldersTest, UsesAbsoluteXdgFolders) {
    ScopedEnvironment env;
    env.Set("HOME", "/home/someone");
    env.Set("XDG_DATA_HOME", "/data/");
    env.Set("XDG_CONFIG_HOME", "/conf");
    env.Set("XDG_CACHE_HOME", "/cache");
    EXPECT_EQ(UserDataFolder(), "/data/vextral/");
    EXPECT_EQ(UserConfigFolder(), "/conf/vextral/");
    EXPECT_EQ(UserCacheFolder(), "/cache/vextral/");
}

TEST(UserFoldersTest, FallsBackToHomeWhenXdgIsUnsetOrRelative) {
    ScopedEnvironment env;
    env.Set("HOME", "/home/someone/");
    env.Set("XDG_DATA_HOME", nullptr);
    env.Set("XDG_CONFIG_HOME", "relative/conf");
    env.Set("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(UserDataFolder(), "/home/someone/.local/share/vextral/");
    EXPECT_EQ(UserConfigFolder(), "/home/someone/.config/vextral/");
    EXPECT_EQ(UserCacheFolder(), "/home/someone/.cache/vextral/");
}

}  // namespace
}  // namespace vextral
