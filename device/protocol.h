#pragma once
#include <cstdint>
#include <string>

// The vocabulary spoken with the plotter's controller: packet framing, link
// constants, command codes, status codes and reply lengths. Shared by the
// links, the command helpers and the simulated controller.

// Packet: byte 0 the total length (payload + 2), byte 1 the command code,
// then 0 to 62 payload bytes. Replies carry no framing.
constexpr int PACKET_MAX_BYTES = 64;
constexpr int PACKET_MAX_PAYLOAD = PACKET_MAX_BYTES - 2;
// Every receive takes at most this many bytes.
constexpr int REPLY_MAX_BYTES = 64;

// USB.
constexpr uint16_t USB_VENDOR_ID = 0xA728;
constexpr uint16_t USB_PRODUCT_ID = 0x0529;
constexpr int USB_INTERFACE = 0;
constexpr int USB_EP_OUT = 0x02;
constexpr int USB_EP_IN = 0x81;
constexpr int USB_COMMAND_TIMEOUT_MS = 50;
constexpr int USB_REPLY_TIMEOUT_MS = 1000;
constexpr int USB_BULK_TIMEOUT_MS = 5000;
constexpr int USB_BULK_GRANULE = 64;

// TCP: swath data goes in chunks of this size, each answered by one status byte.
constexpr int TCP_BULK_CHUNK = 600;

// Return codes of the link operations (SendBulk returns the length on success).
constexpr int LINK_OK = 0;
constexpr int LINK_FAILED = -1;
constexpr int LINK_BAD_REPLY = -2;  // TCP SendCommand: the reply was not exactly one byte

// Machine status codes, the status byte of the replies.
enum : uint8_t {
    STATE_INIT = 0,
    STATE_READY = 1,
    STATE_CLEANING = 2,
    STATE_PROCESSING = 3,
    STATE_PLOTTING = 4,
    STATE_FINISHING = 5,
    STATE_PAUSED = 6,
    STATE_MEM_ERROR = 7,
    STATE_INIT_TIMEOUT = 8,
    STATE_INIT_ETHERNET = 9,
    STATE_CARRIAGE_LINK_ERROR = 10,
    STATE_CARRIAGE_TIMEOUT = 11,
};

// Command codes.
enum : uint8_t {
    CMD_STOP_JOG = 1,
    CMD_JOG_DOWN = 2,
    CMD_JOG_UP = 3,
    CMD_JOG_LEFT = 4,
    CMD_JOG_RIGHT = 5,
    CMD_FAN_ON = 6,
    CMD_FAN_OFF = 7,
    CMD_CLEAN = 10,
    CMD_PAUSE = 11,
    CMD_RESUME = 12,
    CMD_CANCEL = 13,
    CMD_STATUS = 15,
    CMD_POSITION = 17,
    CMD_READ_PARAMS = 21,
    CMD_JOB_HEADER = 32,
    CMD_WRITE_PARAMS = 35,
    CMD_SWATH_QUERY = 48,
    CMD_SWATH_DONE = 49,
};

// Reply lengths of the queries; every other command answers one status byte.
constexpr int POSITION_REPLY_BYTES = 2;
constexpr int PARAM_BLOCK_WIRE_BYTES = 52;
constexpr int SWATH_QUERY_REPLY_BYTES = 4;
constexpr int SWATH_DONE_REPLY_BYTES = 2;
constexpr int JOB_HEADER_PAYLOAD_BYTES = 4;

// The number of bytes the controller answers to a command code.
int ReplyLength(uint8_t code);

// "STATE_READY", or "error 42" for a code outside the table.
std::string StateName(int status);
// "CMD_STATUS", or "command 42".
std::string CommandName(int code);
// The operator's text for a status ("ready", "printing", ...).
std::string StateText(int status, int language);

// Builds a packet into out (PACKET_MAX_BYTES long); returns its length, or
// -1 when the payload does not fit a packet (nothing is written then).
int BuildPacket(uint8_t* out, uint8_t code, const uint8_t* payload, int payloadLen);

// Little-endian fields of the payloads and replies.
inline uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline void PutU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline void PutU32(uint8_t* p, uint32_t v)
{
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}
