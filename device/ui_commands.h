#pragma once
#include <string>

// What the worker threads do with a code taken from the mailbox.

// The device command of a UI code (UI_STOP_JOG ... UI_CANCEL), or 0.
int DeviceCommandForUiCode(int code);
// UI_SAVE_PARAMS: the parameter block to the controller, then the designed
// 50 ms. Returns the failure to show the operator, or empty: the caller shows
// it once it has let go of the link, since the window may be waiting for it.
std::string SaveParamsForUi();
