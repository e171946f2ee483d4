#pragma once
#include <string>

#include "device/param_block.h"

// Parameter files (".vxp"): 52 bytes, no header. Bytes 0 to 35 are bytes 0 to
// 35 of the parameter block, bytes 36 to 51 are written as zero and ignored
// when read. Messages follow m_language; an empty result means success.

// Replaces the file at path atomically: a crash or a full disk never leaves a
// half-written parameter file.
std::string SaveParamFile(const std::string& path, const ParamBlock& block);

// Reads the first 52 bytes of a regular file. A file shorter than 36 bytes
// holds no whole block and is refused; block is then left as it was.
std::string LoadParamFile(const std::string& path, ParamBlock& block);

// The name a parameter file is saved under: the chosen name with ".vxp"
// appended, unless it already ends in "." and V, X, P in either case (a
// name shorter than 5 characters always gets it).
std::string WithParamFileExtension(const std::string& name);
