#include "synth/SoundFingerprint.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr std::streamoff kSpan = 64 * 1024;

void fold(std::uint64_t &hash, const char *bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 0x100000001b3ULL;
    }
}

bool foldSpan(std::ifstream &file, std::streamoff from, std::streamoff count, std::uint64_t &hash)
{
    std::vector<char> bytes(static_cast<std::size_t>(count));
    file.seekg(from);
    file.read(bytes.data(), count);
    if (file.gcount() != count)
        return false;
    fold(hash, bytes.data(), bytes.size());
    return true;
}

}

std::string SoundFingerprint::of(const std::string &path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return {};
    const std::streamoff size = file.tellg();
    if (size <= 0)
        return {};
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto length = static_cast<std::uint64_t>(size);
    fold(hash, reinterpret_cast<const char *>(&length), sizeof length);
    const std::streamoff head = std::min(size, kSpan);
    if (!foldSpan(file, 0, head, hash) || !foldSpan(file, size - head, head, hash))
        return {};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}
