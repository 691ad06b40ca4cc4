// The committed pictures, sounds, levels and icons are exactly what the
// generator makes, and the generator says so when it cannot make them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "data_files.h"

namespace fs = std::filesystem;

namespace {

// Folders of the source tree that hold only generated files.
const char* const GENERATED_DATA_FOLDERS[] = {"pics", "sounds", "levels"};

class GeneratorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "korvane-gen-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
    }
    void TearDown() override { fs::remove_all(scratch); }

    // Runs the generator with the arguments; returns its exit status.
    int Generate(const std::string& arguments) const {
        std::string command = std::string(KORVANE_GEN) + " " + arguments + " > /dev/null 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path scratch;
};

// Paths of every file under root, relative to root.
std::set<std::string> FilesUnder(const fs::path& root) {
    std::set<std::string> files;
    if (fs::exists(root)) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file()) {
                files.insert(fs::relative(entry.path(), root).string());
            }
        }
    }
    return files;
}

// Every file of made is in committed with the same bytes, and committed holds nothing else.
void ExpectSameTree(const fs::path& made, const fs::path& committed) {
    std::set<std::string> madeFiles = FilesUnder(made);
    EXPECT_FALSE(madeFiles.empty()) << made;
    EXPECT_EQ(madeFiles, FilesUnder(committed)) << committed;
    for (const std::string& file : madeFiles) {
        EXPECT_TRUE(ReadBytes((made / file).string()) == ReadBytes((committed / file).string()))
            << "regenerate " << (committed / file).string();
    }
}

TEST_F(GeneratorTest, MakesEveryCommittedDataFileAndIconByteForByte) {
    ASSERT_EQ(Generate((scratch / "data").string() + " " + (scratch / "icons").string()), 0);
    for (const char* folder : GENERATED_DATA_FOLDERS) {
        SCOPED_TRACE(folder);
        ExpectSameTree(scratch / "data" / folder, SourcePath("data/") + folder);
    }
    ExpectSameTree(scratch / "icons", SourcePath("packaging/icons"));
}

TEST_F(GeneratorTest, ExitsWithFailureWhenItCannotWriteOrIsMisused) {
    std::string data = (scratch / "data").string();
    std::string icons = (scratch / "icons").string();
    EXPECT_NE(Generate(""), 0) << "no arguments";
    EXPECT_NE(Generate(data + " " + icons + " " + (scratch / "missing.ttf").string()), 0)
        << "font missing";
    std::string blocker = (scratch / "blocker").string();
    std::ofstream(blocker) << "not a folder";
    EXPECT_NE(Generate(blocker + " " + icons), 0) << "data folder is a file";
    EXPECT_NE(Generate(data + " " + blocker), 0) << "icon folder is a file";
}

}  // namespace
