#include "device/ui_commands.h"

#include <string>

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/commands.h"
#include "device/frame_messages.h"

int TakeUiCommand()
{
    if (g_settings.TakeParamSaveRequest())
        return UI_SAVE_PARAMS;
    return g_settings.TakeCommand();
}

int DeviceCommandForUiCode(int code)
{
    switch (code) {
    case UI_STOP_JOG: return CMD_STOP_JOG;
    case UI_JOG_DOWN: return CMD_JOG_DOWN;
    case UI_JOG_UP: return CMD_JOG_UP;
    case UI_JOG_LEFT: return CMD_JOG_LEFT;
    case UI_JOG_RIGHT: return CMD_JOG_RIGHT;
    case UI_CLEAN: return CMD_CLEAN;
    case UI_FAN_ON: return CMD_FAN_ON;
    case UI_FAN_OFF: return CMD_FAN_OFF;
    case UI_RESUME: return CMD_RESUME;
    case UI_PAUSE: return CMD_PAUSE;
    case UI_CANCEL: return CMD_CANCEL;
    default: return 0;
    }
}

std::string SaveParamsForUi()
{
    std::string message;
    if (SaveParamBlock(&message) == 0)
        message.clear();
    vexa::SleepMs(50);
    return message;
}
