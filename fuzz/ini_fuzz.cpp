// Arbitrary bytes as an INI file and as text to convert: nothing may crash,
// and what the INI and the codec accept must come back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ini_file.h"
#include "app/text_codec.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void FuzzIni(const std::string& bytes)
{
    CIniFile ini(bytes);
    (void)ini.GetInt("Para", "\xD3\xEF\xD1\xD4", 0);
    (void)ini.GetString("para", "Cartridge1OnRight", "");
    (void)ini.Find("", "");

    // The first bytes choose a value; a key just set must read back as set.
    const std::string value = bytes.substr(0, bytes.size() % 16);
    if (ini.SetString("Para", "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC", value)) {
        Check(ini.Find("PARA", "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC") == value);
        const std::string once = ini.Bytes();
        Check(ini.SetString("Para", "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC", value));
        Check(ini.Bytes() == once);
    }
    Check(ini.SetInt("New", "k", -12));
    Check(ini.GetInt("new", "K", 0) == -12);

    // What was written parses the same way again.
    const CIniFile again(ini.Bytes());
    Check(again.GetInt("New", "k", 0) == -12);
}

void FuzzCodec(const std::string& bytes)
{
    if (const auto utf8 = vexa::GbkToUtf8(bytes))
        Check(vexa::Utf8ToGbk(*utf8) == bytes);
    if (const auto gbk = vexa::Utf8ToGbk(bytes))
        Check(vexa::GbkToUtf8(*gbk) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FuzzIni(bytes);
    FuzzCodec(bytes);
    return 0;
}
