// Helpers shared by the phoneme map tests.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "PhonemeMap.h"

namespace lipsmith::testing {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of its own for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-map-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return (path_ / name).string();
    }

private:
    fs::path path_;
};

// A map whose every value, id and name is recognisably untouched.
inline PhonemeMap SentinelMap() {
    PhonemeMap map;
    for (PhonemeEntry& e : map) {
        for (float& v : e.parameters) v = -7.0f;
        e.id = -7;
        e.name = "untouched";
    }
    return map;
}

}  // namespace lipsmith::testing
