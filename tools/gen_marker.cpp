// vexagrid-genmarker: writes a large, garment-like HP-GL marker for benchmarks and demos.
//
// The marker is deterministic: the same options give the same bytes on every platform (own
// random generator, no transcendental functions, no library distributions).

#include "genmarker/budget.h"
#include "genmarker/marker.h"
#include "genmarker/plt_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

// The import refuses files above 8,000,000 bytes; stay clearly below, but close to it, so that
// the marker exercises reading at full size.
constexpr std::size_t kTargetBytes = 7'800'000;

void usage(std::ostream& os)
{
    os << "usage: vexagrid-genmarker OUT.plt [--length-mm N] [--width-mm N] [--seed N]\n"
          "  --length-mm N  marker length along the paper feed, 300..200000 (default 20000)\n"
          "  --width-mm N   paper width, 300..5000 (default 2000)\n"
          "  --seed N       garment mix and sizes, any unsigned 64-bit number (default 2026)\n";
}

bool parseUnsigned(std::string_view text, std::uint64_t& value)
{
    if (text.empty())
        return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

struct Args {
    std::string out;
    genmarker::MarkerOptions options;
};

// Returns 0 to go on, otherwise the exit status.
int parseArgs(int argc, char** argv, Args& args)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help") {
            usage(std::cout);
            return -1;
        }
        if (a == "--length-mm" || a == "--width-mm" || a == "--seed") {
            std::uint64_t v = 0;
            if (i + 1 >= argc || !parseUnsigned(argv[i + 1], v)) {
                std::cerr << "vexagrid-genmarker: " << a << " needs an unsigned whole number\n";
                return 2;
            }
            ++i;
            if (a == "--seed") {
                args.options.seed = v;
            } else if (a == "--length-mm") {
                if (v < 300 || v > 200000) {
                    std::cerr << "vexagrid-genmarker: --length-mm must be 300..200000\n";
                    return 2;
                }
                args.options.lengthMm = static_cast<double>(v);
            } else {
                if (v < 300 || v > 5000) {
                    std::cerr << "vexagrid-genmarker: --width-mm must be 300..5000\n";
                    return 2;
                }
                args.options.widthMm = static_cast<double>(v);
            }
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            std::cerr << "vexagrid-genmarker: unknown option " << a << "\n";
            usage(std::cerr);
            return 2;
        }
        if (!args.out.empty()) {
            std::cerr << "vexagrid-genmarker: more than one output file given\n";
            return 2;
        }
        args.out = a;
    }
    if (args.out.empty()) {
        usage(std::cerr);
        return 2;
    }
    return 0;
}

bool writeFile(const std::string& path, const std::string& text)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f.write(text.data(), static_cast<std::streamsize>(text.size())) || !f.flush())
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Args args;
    if (const int rc = parseArgs(argc, argv, args); rc != 0)
        return rc < 0 ? 0 : rc;

    genmarker::Marker marker = genmarker::layOutMarker(args.options);
    if (marker.garments.empty()) {
        std::cerr << "vexagrid-genmarker: no garment fits on " << args.options.widthMm << " x "
                  << args.options.lengthMm << " mm of paper\n";
        return 1;
    }
    const std::size_t laidOut = marker.garments.size();
    genmarker::Sampling sampling;
    genmarker::PlotStats stats;
    const std::string text = genmarker::writeWithinBudget(marker, kTargetBytes, sampling, stats);
    if (!writeFile(args.out, text)) {
        std::cerr << "vexagrid-genmarker: cannot write " << args.out << "\n";
        return 1;
    }
    std::printf("%s: %zu bytes, %zu garments, %zu pieces, %zu labels, %.0f mm of %.0f mm used\n",
                args.out.c_str(), text.size(), marker.garments.size(), stats.pieces,
                stats.labels, stats.usedLengthMm, args.options.lengthMm);
    if (marker.garments.size() < laidOut)
        std::printf("%zu garments left out to stay within %zu bytes\n",
                    laidOut - marker.garments.size(), kTargetBytes);
    std::printf("cut lines: %zu points (%zu..%zu per piece, mean %zu), %zu points in all, "
                "curve points at most %.3f mm apart\n",
                stats.cutPoints, stats.minCutPoints, stats.maxCutPoints,
                stats.pieces ? stats.cutPoints / stats.pieces : 0, stats.allPoints,
                sampling.maxStep);
    return 0;
}
