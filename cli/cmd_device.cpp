// vexagrid-cli status and params: the controller link from the command line.
#include "cli/cmd_device.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <netdb.h>
#include <sys/socket.h>

#include "app/settings.h"
#include "cli/cli.h"
#include "device/commands.h"
#include "device/link_state.h"
#include "device/my_commu.h"
#include "device/param_block.h"
#include "device/param_file.h"
#include "device/param_ranges.h"
#include "device/status_text.h"

namespace cli {
namespace {

std::string Hex(const std::array<uint8_t, 3>& bytes)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", bytes[0], bytes[1], bytes[2]);
    return text;
}

// Reads the block as the monitor does; the message when it fails.
std::string ReadBlock()
{
    if (ReadParamBlock() == 0)
        return {};
    const std::string why = g_commu.LastError();
    return "no parameter block from the controller (" + g_commu.LinkName() + ")" + (why.empty() ? "" : ": " + why);
}

json BlockJson()
{
    const ParamBlock block = g_paramBlock.Load();
    json j = {{"feedPulsesPerMm", g_settings.m_feedPulsesPerMm.load()}, {"plotterIp", IpToText(g_settings.m_plotterIp)}};
    for (const ParamRange& f : PARAM_RANGES)
        j[f.name] = (g_settings.*f.member).load();
    j["reserved"] = Hex(block.reserved);
    return j;
}

// Applies one NAME=VALUE to g_settings; the message when it cannot.
std::string Assign(const std::string& assignment)
{
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos)
        return "\"" + assignment + "\" is not NAME=VALUE";
    const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
    if (name == "plotterIp") {
        uint32_t ip = 0;
        if (!IpFromText(value, ip))
            return "plotterIp: \"" + value + "\" is not an IPv4 address";
        g_settings.m_plotterIp = ip;
        return {};
    }
    if (name == "feedPulsesPerMm") {
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(v >= FEED_PULSES_PER_MM_MIN && v <= FEED_PULSES_PER_MM_MAX)) {
            char range[64];
            std::snprintf(range, sizeof range, "from %g to %g", FEED_PULSES_PER_MM_MIN, FEED_PULSES_PER_MM_MAX);
            return "feedPulsesPerMm: \"" + value + "\" is not a number " + range;
        }
        g_settings.m_feedPulsesPerMm = v;
        return {};
    }
    for (const ParamRange& f : PARAM_RANGES) {
        if (name != f.name)
            continue;
        int v = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (ec != std::errc() || end != value.data() + value.size() || !f.Contains(v))
            return name + ": \"" + value + "\" is not a whole number from " + std::to_string(f.min) + " to " +
                   std::to_string(f.max);
        g_settings.*f.member = v;
        return {};
    }
    std::string names = "feedPulsesPerMm, plotterIp";
    for (const ParamRange& f : PARAM_RANGES)
        names += std::string(", ") + f.name;
    return "unknown parameter \"" + name + "\" (" + names + ")";
}

int Save(const std::string& what)
{
    std::string message;
    if (SaveParamBlock(&message) == 0)
        return 0;
    const std::string why = g_commu.LastError();
    return Fail(what, message + " (" + g_commu.LinkName() + (why.empty() ? "" : ": " + why) + ")");
}
}  // namespace

void DeviceOptions::AddTo(CLI::App* command)
{
    CLI::Option* tcp = command->add_option("--tcp", this->tcp, "Controller at HOST:PORT over TCP");
    CLI::Option* usbFlag = command->add_flag("--usb", usb, "Controller on USB");
    tcp->excludes(usbFlag);
}

bool DeviceOptions::Apply() const
{
    if (const std::string message = ::LoadSettings(g_settings); !message.empty())
        std::cerr << "vexagrid-cli: " << message << '\n';
    if (usb)
        g_settings.m_useEthernet = 0;
    if (tcp.empty())
        return true;
    const size_t colon = tcp.rfind(':');
    int port = 0;
    const std::string host = colon == std::string::npos ? "" : tcp.substr(0, colon);
    const std::string portText = colon == std::string::npos ? "" : tcp.substr(colon + 1);
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535) {
        Fail("--tcp", "\"" + tcp + "\" is not HOST:PORT");
        return false;
    }
    uint32_t ip = 0;
    if (!IpFromText(host, ip)) {
        // A host name: its first IPv4 address, as the link speaks IPv4 only.
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
            Fail("--tcp", "cannot find the IPv4 address of \"" + host + "\"");
            return false;
        }
        char text[64] = {};
        getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        freeaddrinfo(found);
        if (!IpFromText(text, ip)) {
            Fail("--tcp", "cannot find the IPv4 address of \"" + host + "\"");
            return false;
        }
    }
    g_settings.m_useEthernet = 1;
    g_settings.m_controllerIp = ip;
    g_settings.m_controllerPort = port;
    return true;
}

int Status(const DeviceOptions& device, bool asJson)
{
    if (!device.Apply())
        return 1;
    if (g_commu.SendCommand(CMD_STATUS) != 0) {
        const std::string why = g_commu.LastError();
        return Fail("status", "no answer from the controller (" + g_commu.LinkName() + ")" + (why.empty() ? "" : ": " + why));
    }
    const int status = g_machineStatus;
    // The block says which resolution the position is counted in.
    const bool haveBlock = ReadBlock().empty();
    const bool havePosition = QueryPosition() == 0;
    const int dots = g_carriagePosition;
    const double mm = PositionToMm(dots, g_settings.m_resolution);
    // The control bar's words in the language of Vexa.ini. The controller has
    // answered; no job of this process runs, so plotting and paused have no
    // progress numbers here and show their words alone.
    const int language = g_settings.m_language;
    std::string text = FormatStatusText({.connected = 1, .status = status}, language).text;
    if (text.empty())
        text = StateText(status, language);
    if (asJson) {
        json j = {{"link", g_commu.LinkName()}, {"status", status}, {"state", StateName(status)},
                  {"text", StateText(status, 1)}, {"status_text", text}};
        j["position_dots"] = havePosition ? json(dots) : json(nullptr);
        j["position_mm"] = havePosition && haveBlock ? json(std::round(mm * 100) / 100) : json(nullptr);
        std::cout << Dump(j) << '\n';
        return 0;
    }
    std::printf("link:     %s\n", g_commu.LinkName().c_str());
    std::printf("status:   %s (%d %s)\n", text.c_str(), status, StateName(status).c_str());
    if (!havePosition)
        std::printf("carriage: unknown\n");
    else if (haveBlock)
        std::printf("carriage: %d dots, %.2f mm\n", dots, mm);
    else
        std::printf("carriage: %d dots\n", dots);
    return 0;
}

int Params(const DeviceOptions& device, const std::string& action, const std::vector<std::string>& args, bool asJson)
{
    const std::string what = "params " + action;
    if (!device.Apply())
        return 1;
    if (action == "load") {
        ParamBlock block;
        if (args.size() != 1)
            return Fail(what, "give one parameter file");
        if (std::string error = LoadParamFile(args[0], block); !error.empty())
            return Fail(what, error);
        g_paramBlock.Store(block);
        BlockToSettings();
        if (const int failed = Save(what))
            return failed;
        std::printf("%s: written to the controller\n", args[0].c_str());
        return 0;
    }
    if (action != "get" && action != "set" && action != "save")
        return Fail(what, "unknown action (get, set, save, load)");
    if (std::string error = ReadBlock(); !error.empty())
        return Fail(what, error);
    if (action == "get") {
        const json j = BlockJson();
        if (asJson) {
            std::cout << Dump(j) << '\n';
        } else {
            for (const auto& [name, value] : j.items())
                std::cout << name << " = " << (value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
        }
        return 0;
    }
    if (action == "save") {
        if (args.size() != 1)
            return Fail(what, "give one parameter file");
        if (std::string error = SaveParamFile(args[0], g_paramBlock.Load()); !error.empty())
            return Fail(what, error);
        std::printf("%s: %d bytes\n", args[0].c_str(), ParamBlock::WIRE_BYTES);
        return 0;
    }
    if (args.empty())
        return Fail(what, "give NAME=VALUE changes");
    for (const std::string& assignment : args) {
        if (std::string error = Assign(assignment); !error.empty())
            return Fail(what, error + "; nothing written");
    }
    if (const int failed = Save(what))
        return failed;
    std::printf("written to the controller\n");
    return 0;
}

void DeviceCommands::AddTo(CLI::App& app)
{
    m_status = app.add_subcommand("status", "Ask the plotter's controller for its status and carriage position");
    m_device.AddTo(m_status);
    m_status->add_flag("--json", m_json, "One JSON object");

    CLI::App* params = app.add_subcommand("params", "The controller's parameter block: show, change, save, restore");
    params->require_subcommand(1);
    m_device.AddTo(params);
    params->fallthrough();  // --tcp and --usb also after get, set, save or load
    m_get = params->add_subcommand("get", "Show the parameter block");
    m_get->add_flag("--json", m_json, "One JSON object");
    m_set = params->add_subcommand("set", "Change parameters and write the block to the controller");
    m_set->add_option("changes", m_assignments, "NAME=VALUE, e.g. xScale=10005 lineWidth=2")->required();
    m_save = params->add_subcommand("save", "Write the controller's block to a parameter file (.vxp)");
    m_save->add_option("file", m_file, "Parameter file")->required();
    m_load = params->add_subcommand("load", "Write the block of a parameter file (.vxp) to the controller");
    m_load->add_option("file", m_file, "Parameter file")->required();
}

std::optional<int> DeviceCommands::Run() const
{
    if (m_status && m_status->parsed())
        return Status(m_device, m_json);
    if (m_get && m_get->parsed())
        return Params(m_device, "get", {}, m_json);
    if (m_set && m_set->parsed())
        return Params(m_device, "set", m_assignments, m_json);
    if (m_save && m_save->parsed())
        return Params(m_device, "save", {m_file}, m_json);
    if (m_load && m_load->parsed())
        return Params(m_device, "load", {m_file}, m_json);
    return std::nullopt;
}

}  // namespace cli
