// Any bytes given to the HP-GL reader must end in a result code or an
// invalid-argument error, never in a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/settings.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_settings.InitFontPaths();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CHpglFile file;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        if (file.ReadBuffer(bytes, "fuzz.plt") != HPGL_OK)
            return 0;
    } catch (const HpglInvalidArgument&) {
        return 0;
    }
    COnePage page;
    file.FillPage(page);
    page.ComputeExtents();
    page.Normalize();
    page.JoinCurves();
    page.SplitIntoSegments();
    return 0;
}
