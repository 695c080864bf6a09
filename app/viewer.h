// The application shell: program entry, the message loop and the window
// procedure.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Registers the class, shows the start-up notice, creates the window and runs
// the message loop. Returns the exit status.
std::int32_t ViewerMain(HINSTANCE instance, int showCommand);

// Runs until the quit message; returns its code (1 if waiting fails).
std::int32_t RunMessageLoop();

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handlers of the window procedure. Each returns true with *result set when
// it handled the message, false to hand it to the default procedure.
bool HandleLifecycleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT* result);
bool HandleInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
