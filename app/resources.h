#pragma once
#include <span>
#include <string>
#include <string_view>

// Resources built into the program: the two stroke fonts.
enum : int {
    IDR_FON_HZ = 153,  // CJK stroke font
    IDR_FON_EN = 154,  // Latin stroke font
};

// The bytes of a built-in resource; empty when there is none with that id and type.
std::span<const unsigned char> FindResource(int id, std::string_view type);

// Writes a built-in resource to path, replacing any file there; true when
// the whole resource was written.
bool ExtractResourceToFile(int id, std::string_view type, const std::string& path);
