#include "device/commands.h"

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/link_state.h"
#include "device/my_commu.h"
#include "device/param_block.h"

int ReadParamBlock()
{
    const uint8_t payload[1] = {PARAM_BLOCK_WIRE_BYTES};
    uint8_t reply[PARAM_BLOCK_WIRE_BYTES];
    if (g_commu.Query(CMD_READ_PARAMS, 1, payload, PARAM_BLOCK_WIRE_BYTES, reply) != 0)
        return -1;
    g_paramBlock.Store(ParamBlock::FromBytes(reply));
    BlockToSettings();
    g_connected = 1;
    vexa::SleepMs(10);
    return 0;
}

int SaveParamBlock(std::string* message)
{
    SettingsToBlock();
    const auto wire = g_paramBlock.Load().ToWire();
    if (g_commu.SendCommandData(CMD_WRITE_PARAMS, static_cast<int>(wire.size()), wire.data()) == 0)
        return 0;
    if (message)
        *message = g_settings.m_language.load() == 0 ? "保存参数失败!" : "Failed To Save Parameter!";
    return -1;
}

int QueryPosition()
{
    const uint8_t payload[1] = {0};  // the byte has no meaning
    uint8_t reply[POSITION_REPLY_BYTES];
    if (g_commu.Query(CMD_POSITION, 1, payload, POSITION_REPLY_BYTES, reply) != 0)
        return -1;
    g_carriagePosition = PositionFromReply(reply);
    g_carriagePositionNew = 1;
    return 0;
}
