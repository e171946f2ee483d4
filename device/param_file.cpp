#include "device/param_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/platform.h"
#include "app/settings.h"

namespace {
std::string Text(const std::string& zh, const std::string& en)
{
    return g_settings.m_language.load() == 0 ? zh : en;
}
}  // namespace

std::string SaveParamFile(const std::string& path, const ParamBlock& block)
{
    const auto wire = block.ToWire();  // the reserved tail is zero, as in the file
    const std::string error =
        vexa::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(wire.data()), wire.size()));
    if (error.empty())
        return {};
    return Text("保存参数文件失败: ", "Failed to save the parameter file: ") + error;
}

std::string LoadParamFile(const std::string& path, ParamBlock& block)
{
    const std::string openFailed = Text("打开文件失败", "Open File Failed") + ": " + path;
    // O_NONBLOCK: a FIFO must not make the program wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return openFailed + " (" + std::strerror(errno) + ")";
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return openFailed + Text(" (不是普通文件)", " (not a regular file)");
    }
    uint8_t bytes[ParamBlock::WIRE_BYTES] = {};
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = read(fd, bytes + got, sizeof bytes - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            close(fd);
            return openFailed + " (" + std::strerror(err) + ")";
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got < static_cast<size_t>(ParamBlock::KEPT_BYTES))
        return Text("参数文件 " + path + " 只有 " + std::to_string(got) + " 字节，不是完整的参数文件（应为 52 字节）。",
                    "The parameter file " + path + " holds only " + std::to_string(got) +
                        " bytes; a parameter file has 52, so it is not used.");
    block = ParamBlock::FromBytes(bytes);
    return {};
}

std::string WithParamFileExtension(const std::string& name)
{
    auto is = [](char c, char upper) { return c == upper || c == upper - 'A' + 'a'; };
    const size_t n = name.size();
    if (n >= 5 && name[n - 4] == '.' && is(name[n - 3], 'V') && is(name[n - 2], 'X') && is(name[n - 1], 'P'))
        return name;
    return name + ".vxp";
}
