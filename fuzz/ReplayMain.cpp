// Runs a fuzz target over saved inputs, so that the seeds and every input that once broke a
// property are replayed by the ordinary tests, without clang or libFuzzer.
//
// Arguments: files or folders (every file directly inside); a missing folder holds nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

void replay(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    std::printf("replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char **argv)
{
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                    files.push_back(entry.path());
            }
        } else if (std::filesystem::exists(path)) {
            files.push_back(path);
        }
        for (const auto &file : files)
            replay(file);
        count += files.size();
    }
    std::printf("%zu inputs replayed\n", count);
    // No input at all means the corpus went missing, not that everything passed.
    return count > 0 ? 0 : 1;
}
