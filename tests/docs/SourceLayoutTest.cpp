#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The floors, lowest first: a file may include its own floor and those below. The checker and
// the explainer are rooms beside the driver, on its floor.
const std::vector<std::string> kFloors = {"data", "rules", "engine", "driver", "check", "explain"};

int floorOf(const std::string& path) {
    const std::string folder = path.substr(0, path.find('/'));
    if (folder == "check" || folder == "explain") return 3;
    for (std::size_t i = 0; i < kFloors.size(); ++i) {
        if (kFloors[i] == folder) return static_cast<int>(i);
    }
    return -1;
}

// Every source file by its path from the root, with the project files it includes.
std::map<std::string, std::vector<std::string>> includesBySource() {
    std::map<std::string, std::vector<std::string>> includes;
    const fs::path root(DEDB_SOURCE_DIR);
    for (const std::string& floor : kFloors) {
        for (const fs::directory_entry& entry : fs::directory_iterator(root / floor)) {
            const std::string path = floor + "/" + entry.path().filename().string();
            std::vector<std::string>& own = includes[path];
            std::ifstream file(entry.path());
            std::string line;
            while (std::getline(file, line)) {
                const std::string prefix = "#include \"";
                if (line.rfind(prefix, 0) != 0) continue;
                own.push_back(
                    line.substr(prefix.size(), line.find('"', prefix.size()) - prefix.size()));
            }
        }
    }
    return includes;
}

TEST(SourceLayout, FloorsIncludeOnlyTheirOwnAndLowerOnes) {
    for (const auto& [source, included] : includesBySource()) {
        for (const std::string& header : included) {
            EXPECT_GE(floorOf(header), 0) << source << " includes " << header;
            EXPECT_LE(floorOf(header), floorOf(source)) << source << " includes " << header;
        }
    }
}

TEST(SourceLayout, NoFileReachesItselfThroughItsIncludes) {
    const auto includes = includesBySource();
    std::map<std::string, int> state;  // 1 while being followed, 2 when done
    std::vector<std::string> trail;
    std::function<void(const std::string&)> follow = [&](const std::string& file) {
        state[file] = 1;
        trail.push_back(file);
        const auto found = includes.find(file);
        if (found != includes.end()) {
            for (const std::string& next : found->second) {
                if (state[next] == 1) {
                    ADD_FAILURE() << "include cycle through " << next << " from " << trail.front();
                } else if (state[next] == 0) {
                    follow(next);
                }
            }
        }
        trail.pop_back();
        state[file] = 2;
    };
    for (const auto& [source, included] : includes) {
        if (state[source] == 0) follow(source);
    }
}

}  // namespace
