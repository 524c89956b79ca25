// Runs a fuzz target over saved inputs (the seeds and every input that once broke a property)
// under the ordinary tests. Arguments: folders of inputs; a missing folder holds none.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using std::filesystem::directory_iterator;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i)
        for (std::error_code missing; const auto &entry : directory_iterator(argv[i], missing)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.')
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            std::fprintf(stderr, "replaying %s (%zu bytes)\n", entry.path().c_str(), bytes.size());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    std::fprintf(stderr, "%zu inputs replayed\n", count);
    return count > 0 ? 0 : 1; // none at all means the corpus went missing, not that all passed
}
