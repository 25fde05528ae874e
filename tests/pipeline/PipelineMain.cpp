// Pipeline tests keep their settings in a registry store of their own, made
// before anything asks for the default store, and never start a server.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string dir = ::testing::TempDir() + "lipsmith_pipeline.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    const std::string registry = dir + "/registry";
    ::setenv("LIPSMITH_REGISTRY", registry.c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}
