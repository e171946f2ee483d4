#include "sim/sim_faults.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "device/protocol.h"

namespace vexa::sim {
namespace {
constexpr int DEFAULT_SPLIT_GAP_MS = 30;

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool ParseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end;
}

bool ParseCode(const std::string& text, int& code)
{
    const std::string t = Lower(text);
    if (t == "any") {
        code = ANY_CODE;
        return true;
    }
    if (t == "ack") {
        code = ACK_CODE;
        return true;
    }
    if (ParseInt(t, code))
        return code >= 0 && code <= 255;
    for (int c = 0; c <= 255; ++c) {
        const std::string name = Lower(CommandName(c));
        if (name.rfind("cmd_", 0) == 0 && (t == name || t == name.substr(4))) {
            code = c;
            return true;
        }
    }
    return false;
}
}  // namespace

std::string FaultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Drop: return "drop";
    case FaultKind::Delay: return "delay";
    case FaultKind::Split: return "split";
    case FaultKind::WrongLength: return "wrong-length";
    case FaultKind::Reset: return "reset";
    }
    return "?";
}

std::optional<ReplyFault> ParseFault(const std::string& text, std::string& error)
{
    ReplyFault f;
    std::string rest = text;
    auto cutSuffix = [&](char mark, int& value) {
        const size_t p = rest.rfind(mark);
        if (p == std::string::npos)
            return true;
        const bool ok = ParseInt(rest.substr(p + 1), value);
        rest.resize(p);
        return ok;
    };
    if (!cutSuffix('*', f.times) || f.times < 0 || !cutSuffix('@', f.at) || f.at < 1) {
        error = "bad count in fault \"" + text + "\"";
        return std::nullopt;
    }
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t colon = rest.find(':', start);
        parts.push_back(rest.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) {
        error = "fault \"" + text + "\" is not KIND:CODE[:VALUE][@N][*T]";
        return std::nullopt;
    }
    const std::string kind = Lower(parts[0]);
    int value = 0;
    if (parts.size() == 3 && (!ParseInt(parts[2], value) || value < 0 || value > 600000)) {
        error = "bad value in fault \"" + text + "\"";
        return std::nullopt;
    }
    if (kind == "drop") {
        f.kind = FaultKind::Drop;
    } else if (kind == "delay") {
        f.kind = FaultKind::Delay;
        f.ms = value;
    } else if (kind == "split") {
        f.kind = FaultKind::Split;
        f.ms = value;
    } else if (kind == "short" || kind == "long") {
        f.kind = FaultKind::WrongLength;
        f.delta = kind == "short" ? -value : value;
    } else if (kind == "reset") {
        f.kind = FaultKind::Reset;
    } else {
        error = "unknown fault kind \"" + parts[0] + "\" (drop, delay, split, short, long, reset)";
        return std::nullopt;
    }
    if (!ParseCode(parts[1], f.code)) {
        error = "unknown command \"" + parts[1] + "\" in fault \"" + text + "\"";
        return std::nullopt;
    }
    return f;
}

SimOutput ApplyFault(const ReplyFault& fault, std::vector<uint8_t> reply)
{
    SimOutput out;
    switch (fault.kind) {
    case FaultKind::Drop:
        out.kind = SimOutput::Drop;
        break;
    case FaultKind::Reset:
        out.kind = SimOutput::Reset;
        break;
    case FaultKind::Delay:
        out.delayMs = fault.ms;
        break;
    case FaultKind::Split:
        // A lone byte cannot be split: it comes late instead.
        out.gapMs = fault.ms > 0 ? fault.ms : DEFAULT_SPLIT_GAP_MS;
        if (reply.size() >= 2)
            out.splitAt = static_cast<int>(reply.size() / 2);
        else
            out.delayMs = out.gapMs;
        break;
    case FaultKind::WrongLength: {
        int delta = fault.delta != 0 ? fault.delta : (reply.size() > 1 ? -1 : 1);
        const int size = std::max(0, static_cast<int>(reply.size()) + delta);
        reply.resize(static_cast<size_t>(std::min(size, 4096)), 0);
        if (reply.empty())
            out.kind = SimOutput::Drop;
        break;
    }
    }
    if (out.kind == SimOutput::Send)
        out.bytes = std::move(reply);
    return out;
}

}  // namespace vexa::sim
