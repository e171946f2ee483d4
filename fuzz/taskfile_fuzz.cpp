// Any bytes given to the task file reader must be read or refused with a
// message, never crash or allocate beyond what the bytes can describe; what
// is read must write back and read again to the same list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/one_page.h"
#include "model/task_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PageList pages;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!ReadTaskFile(bytes, pages).empty()) {
        if (!pages.empty())
            std::abort();  // a refused file must leave nothing behind
        return 0;
    }
    std::string again;
    if (!WriteTaskFile(pages, again).empty())
        return 0;  // a wide name GBK cannot hold
    PageList reread;
    if (!ReadTaskFile(again, reread).empty() || reread.size() != pages.size())
        std::abort();
    for (size_t i = 0; i < pages.size(); ++i)
        if (reread[i]->PointCount() != pages[i]->PointCount())
            std::abort();
    return 0;
}
