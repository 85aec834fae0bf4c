#pragma once

#include <string>
#include <vector>

namespace vextral {

// The texts of the four fields of the main window (entries separated by ';').
struct PathFields {
    std::string misc;
    std::string rom;
    std::string sample;
    std::string select;
};

// The fields split into lists (each folder ends with the separator), and the configured
// folders that could be listed. The window's counts are the lists' sizes.
struct ScanPaths {
    std::vector<std::string> romList, sampleList, miscList, chosenList;
    std::vector<std::string> romFolders, sampleFolders, miscFolders;
};

}  // namespace vextral
