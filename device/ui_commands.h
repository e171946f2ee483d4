#pragma once

// What the worker threads do with a code taken from the mailbox.

// The device command of a UI code (UI_STOP_JOG ... UI_CANCEL), or 0.
int DeviceCommandForUiCode(int code);
// UI_SAVE_PARAMS: the parameter block to the controller, a failure shown to
// the operator, then the designed 50 ms.
void SaveParamsForUi();
