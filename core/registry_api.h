// The five registry operations as the stored defaults see them: the real
// registry on Windows, the file-backed store elsewhere.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "core/file_registry.h"
#endif
