// Runs a fuzz target's checks over files, so that its seed corpus and its regressions are
// tests in every build, also without libFuzzer. Arguments are files or folders; without
// arguments it runs the corpus and regression folders that the build compiled in.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool RunFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);  // a failing check aborts: the last name printed is the culprit
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

// Files of a folder in name order, so that runs are repeatable.
std::vector<fs::path> FilesOf(const fs::path& root) {
    if (!fs::is_directory(root)) {
        return {root};
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> roots(argv + 1, argv + argc);
#if defined(KVQ_FUZZ_CORPUS) && defined(KVQ_FUZZ_REGRESSIONS)
    if (roots.empty()) {
        roots.emplace_back(KVQ_FUZZ_CORPUS);
        // Regressions appear only once a fuzzer has found something.
        if (fs::exists(KVQ_FUZZ_REGRESSIONS)) {
            roots.emplace_back(KVQ_FUZZ_REGRESSIONS);
        }
    }
#endif
    std::size_t count = 0;
    for (const fs::path& root : roots) {
        if (!fs::exists(root)) {
            std::fprintf(stderr, "no such file or folder: %s\n", root.c_str());
            return 1;
        }
        for (const fs::path& file : FilesOf(root)) {
            if (!RunFile(file)) {
                return 1;
            }
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "no inputs to run\n");
        return 1;
    }
    std::printf("%zu inputs passed\n", count);
    return 0;
}
