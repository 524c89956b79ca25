// Runs a fuzz target over saved inputs, so that the seeds and every input that once broke a
// property are replayed by the ordinary tests, without clang or libFuzzer.
// Arguments: folders, each file directly inside one an input; a missing folder holds none.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code missing;
        for (const auto &entry : std::filesystem::directory_iterator(argv[i], missing)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.')
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            std::fprintf(stderr, "replaying %s (%zu bytes)\n", entry.path().c_str(), bytes.size());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                   bytes.size());
            ++count;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", count);
    // No input at all means the corpus went missing, not that everything passed.
    return count > 0 ? 0 : 1;
}
