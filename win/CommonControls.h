#pragma once
// The common controls' declarations (progress bar messages, InitCommonControlsEx), which
// need windows.h before them.

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
