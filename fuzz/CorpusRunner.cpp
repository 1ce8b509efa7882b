// Feeds every file of the corpus folders named on the command line to the fuzz entry point once.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> paths;
        for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
            if (entry.is_regular_file())
                paths.push_back(entry.path());
        for (const auto& p : paths) {
            std::ifstream in(p, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++files;
        }
    }
    std::printf("%d corpus files run\n", files);
    return files > 0 ? 0 : 1;
}
