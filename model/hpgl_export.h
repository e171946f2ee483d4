#pragma once
#include <span>
#include <string>

class COnePage;

// The jobs as one line of HP-GL: "INPA;", then per job its curves as
// "SPn;PUx,y;PDx,y,...;" and a closing "PG;". Coordinates are the stored
// plotter units; every job keeps its own origin.
std::string ExportHpglText(std::span<const COnePage* const> pages);
