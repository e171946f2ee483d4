#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class COnePage;

using PageList = std::vector<std::unique_ptr<COnePage>>;

// The job list as a task file (".vxtask"): a little-endian object archive of
// the pages and their curves, as the Windows program wrote it.
//
// Writes the bytes of the file into out. Fails (returns a message) only for a
// file name that cannot be written in GBK.
std::string WriteTaskFile(const PageList& pages, std::string& out);

// Reads a task file's bytes into a new list. On failure returns a message and
// leaves pages empty; nothing is ever allocated beyond what the bytes can
// hold. An empty input is a valid, empty file.
std::string ReadTaskFile(std::string_view bytes, PageList& pages);
