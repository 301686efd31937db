#include "framework/vt_program.h"

#include <atomic>
#include <cstring>

float* VtProgramBasic::GetValuePointer(std::int32_t index) {
    return Valid(index) ? &values[index] : nullptr;
}

void VtProgramBasic::SetName(const char* name) {
    const std::size_t n = name ? strnlen(name, kNameSize - 1) : 0;
    if (n > 0) std::memcpy(programName, name, n);
    std::memset(programName + n, 0, kNameSize - n);
}
