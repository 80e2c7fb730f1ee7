// velkar-sfx: writes the game's ten effect files into the directory named on the command line.
#include <cstdio>
#include <string>

#include "synth.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velkar-sfx OUTPUT-DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const velkar::sfx::Recipe& recipe : velkar::sfx::Recipes) {
        const std::vector<uint8_t> bytes = velkar::sfx::WaveFile(velkar::sfx::Synthesize(recipe));
        const std::string path = dir + "/" + recipe.fileName;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "velkar-sfx: cannot write %s\n", path.c_str());
            return 1;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written) {
            std::fprintf(stderr, "velkar-sfx: error writing %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
