#include "device/protocol.h"

#include <cstring>

int ReplyLength(uint8_t code)
{
    switch (code) {
    case CMD_POSITION:
        return POSITION_REPLY_BYTES;
    case CMD_READ_PARAMS:
        return PARAM_BLOCK_WIRE_BYTES;
    case CMD_SWATH_QUERY:
        return SWATH_QUERY_REPLY_BYTES;
    case CMD_SWATH_DONE:
        return SWATH_DONE_REPLY_BYTES;
    default:
        return 1;
    }
}

std::string StateName(int status)
{
    static const char* const names[] = {
        "STATE_INIT",         "STATE_READY",      "STATE_CLEANING",     "STATE_PROCESSING",
        "STATE_PLOTTING",     "STATE_FINISHING",  "STATE_PAUSED",       "STATE_MEM_ERROR",
        "STATE_INIT_TIMEOUT", "STATE_INIT_ETHERNET", "STATE_CARRIAGE_LINK_ERROR", "STATE_CARRIAGE_TIMEOUT",
    };
    if (status >= 0 && status <= STATE_CARRIAGE_TIMEOUT)
        return names[status];
    return "error " + std::to_string(status);
}

std::string CommandName(int code)
{
    switch (code) {
    case CMD_STOP_JOG: return "CMD_STOP_JOG";
    case CMD_JOG_DOWN: return "CMD_JOG_DOWN";
    case CMD_JOG_UP: return "CMD_JOG_UP";
    case CMD_JOG_LEFT: return "CMD_JOG_LEFT";
    case CMD_JOG_RIGHT: return "CMD_JOG_RIGHT";
    case CMD_FAN_ON: return "CMD_FAN_ON";
    case CMD_FAN_OFF: return "CMD_FAN_OFF";
    case CMD_CLEAN: return "CMD_CLEAN";
    case CMD_PAUSE: return "CMD_PAUSE";
    case CMD_RESUME: return "CMD_RESUME";
    case CMD_CANCEL: return "CMD_CANCEL";
    case CMD_STATUS: return "CMD_STATUS";
    case CMD_POSITION: return "CMD_POSITION";
    case CMD_READ_PARAMS: return "CMD_READ_PARAMS";
    case CMD_JOB_HEADER: return "CMD_JOB_HEADER";
    case CMD_WRITE_PARAMS: return "CMD_WRITE_PARAMS";
    case CMD_SWATH_QUERY: return "CMD_SWATH_QUERY";
    case CMD_SWATH_DONE: return "CMD_SWATH_DONE";
    default: return "command " + std::to_string(code);
    }
}

std::string StateText(int status, int language)
{
    // The control bar's texts, without its progress numbers.
    static const char* const zh[] = {
        "Init...",        "准备就绪",       "清洗喷头...", "正在处理数据...", "工作中...",
        "任务完成...",    "暂停...",        "内存错误...", "复位超时",        "初始化网络...",
        "小车通信错，检查长排线...", "小车运动超时，请检测是否卡纸...",
    };
    static const char* const en[] = {
        "Init...",     "Ready",      "Plot Test...",    "Processing...",        "Plotting...",
        "Finishing...", "Paused....", "MEM ERROR...",   "Init Timeout...",      "Init Ethernet...",
        "Data to car error...",       "Car move timeout,maybe paper jam...",
    };
    if (status < 0 || status > STATE_CARRIAGE_TIMEOUT)
        return "Errcode " + std::to_string(status);
    return language == 0 ? zh[status] : en[status];
}

int BuildPacket(uint8_t* out, uint8_t code, const uint8_t* payload, int payloadLen)
{
    // The length byte and the 64-byte buffers allow no more than 62 bytes.
    if (payloadLen < 0 || payloadLen > PACKET_MAX_PAYLOAD || (payloadLen > 0 && payload == nullptr))
        return -1;
    out[0] = static_cast<uint8_t>(payloadLen + 2);
    out[1] = code;
    if (payloadLen > 0)
        std::memcpy(out + 2, payload, static_cast<size_t>(payloadLen));
    return payloadLen + 2;
}
