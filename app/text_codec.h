#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Conversion between the program's UTF-8 strings and the GBK bytes kept in
// the INI file and the task files.
//
// A conversion either reproduces the text exactly or fails: a result is
// returned only when converting it back gives the input again, so nothing is
// dropped or replaced on the way. Safe to call from any thread.
namespace vexa {

// nullopt when the input is not valid UTF-8 or holds a character GBK lacks.
// On failure *badOffset (if given) is the byte offset where conversion stopped.
std::optional<std::string> Utf8ToGbk(std::string_view utf8, std::size_t* badOffset = nullptr);

// nullopt when the input is not valid GBK (a stray or truncated double byte).
std::optional<std::string> GbkToUtf8(std::string_view gbk, std::size_t* badOffset = nullptr);

// UTF-16 little-endian code units (as old task files store wide strings) to
// UTF-8; nullopt for an unpaired surrogate.
std::optional<std::string> Utf16LeToUtf8(std::string_view utf16le);

}  // namespace vexa
