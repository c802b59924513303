#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// A scratch folder for one fuzz process (in memory where /dev/shm exists),
// and a way to put the input bytes into a file there.
inline std::filesystem::path ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d = std::filesystem::exists("/dev/shm")
                                      ? "/dev/shm"
                                      : std::filesystem::temp_directory_path();
        d /= "corvane-fuzz-" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline std::filesystem::path WriteInput(const char* name, const std::uint8_t* data,
                                        std::size_t size) {
    const auto path = ScratchDir() / name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
