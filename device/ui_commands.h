#pragma once
#include <string>

// What the worker threads do with a code taken from the mailbox.

// The next code for the worker thread in charge: UI_SAVE_PARAMS when a save
// was requested, else the mailbox's code; 0 when there is none. The mailbox
// keeps its code meanwhile, so both reach the controller, the save first.
int TakeUiCommand();
// The device command of a UI code (UI_STOP_JOG ... UI_CANCEL), or 0.
int DeviceCommandForUiCode(int code);
// UI_SAVE_PARAMS: the parameter block to the controller, then the designed
// 50 ms. Returns the failure to show the operator, or empty: the caller shows
// it once it has let go of the link, since the window may be waiting for it.
std::string SaveParamsForUi();
