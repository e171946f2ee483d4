#include "app/resources.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// The font files are assembled into the program's read-only data as they
// are, so the build needs no conversion step and no generated sources.
#define VEXA_EMBED(sym, file)                                                            \
    asm(".pushsection .rodata\n.balign 16\n.global " #sym "\n" #sym ":\n.incbin \"" file \
        "\"\n.global " #sym "_end\n" #sym "_end:\n.popsection\n")

VEXA_EMBED(vexa_fon_hz, VEXA_RESOURCE_DIR "/fon_hz.bin");
VEXA_EMBED(vexa_fon_en, VEXA_RESOURCE_DIR "/fon_en.bin");

extern "C" {
extern const unsigned char vexa_fon_hz[];
extern const unsigned char vexa_fon_hz_end[];
extern const unsigned char vexa_fon_en[];
extern const unsigned char vexa_fon_en_end[];
}

namespace {
struct Resource {
    int id;
    std::string_view type;
    const unsigned char* begin;
    const unsigned char* end;
};

const Resource kResources[] = {
    {IDR_FON_HZ, "FON", vexa_fon_hz, vexa_fon_hz_end},
    {IDR_FON_EN, "FON", vexa_fon_en, vexa_fon_en_end},
};

bool SameType(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        if (up(a[i]) != up(b[i]))
            return false;
    }
    return true;
}
}  // namespace

std::span<const unsigned char> FindResource(int id, std::string_view type)
{
    for (const Resource& r : kResources)
        if (r.id == id && SameType(r.type, type))
            return {r.begin, static_cast<size_t>(r.end - r.begin)};
    return {};
}

bool ExtractResourceToFile(int id, std::string_view type, const std::string& path)
{
    const auto data = FindResource(id, type);
    if (data.empty())
        return false;
    // The file lives in this process's private directory; O_NOFOLLOW still
    // refuses to write through a link planted under the name.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool closed = close(fd) == 0;
    return closed && written == data.size();
}
