// Builds RIFF/WAVE files byte by byte for the sound tests, including deliberately broken ones.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace velkar::test {

struct WaveBytes {
    std::vector<uint8_t> bytes;

    WaveBytes& Tag(const char* tag) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(tag[i]));
        return *this;
    }
    WaveBytes& U16(uint32_t value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    WaveBytes& U32(uint32_t value) {
        U16(value & 0xFFFF);
        return U16(value >> 16);
    }
    WaveBytes& Fill(size_t count, uint8_t value) {
        bytes.insert(bytes.end(), count, value);
        return *this;
    }
    // A format chunk of formatSize bytes (16 plus zeroed extension bytes).
    WaveBytes& Format(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits,
                      uint32_t blockAlign, uint32_t formatSize = 16) {
        Tag("fmt ").U32(formatSize).U16(tag).U16(channels).U32(rate);
        U32(rate * blockAlign).U16(blockAlign).U16(bits);
        return Fill(formatSize - 16, 0);
    }
};

// RIFF header (size filled in by Finish) followed by "WAVE".
inline WaveBytes RiffWave() {
    WaveBytes w;
    w.Tag("RIFF").U32(0).Tag("WAVE");
    return w;
}

// Sets the RIFF size field to the bytes after it.
inline std::vector<uint8_t> Finish(WaveBytes w) {
    const uint32_t size = static_cast<uint32_t>(w.bytes.size() - 8);
    for (int i = 0; i < 4; ++i)
        w.bytes[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    return w.bytes;
}

// A plain PCM file with the given sample bytes.
inline std::vector<uint8_t> SimpleWave(uint32_t channels, uint32_t rate, uint32_t bits,
                                       const std::vector<uint8_t>& samples) {
    WaveBytes w = RiffWave();
    w.Format(1, channels, rate, bits, channels * bits / 8);
    w.Tag("data").U32(static_cast<uint32_t>(samples.size()));
    w.bytes.insert(w.bytes.end(), samples.begin(), samples.end());
    return Finish(w);
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A fresh empty directory under the system's temporary directory, unique to this run so that
// test processes running side by side never share one.
inline std::filesystem::path FreshDirectory(const std::string& name) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(stamp));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace velkar::test
