// What the host prints about an effect: its identity as the dispatcher and
// the record tell it, its programs, and its parameters. [main thread]
#pragma once

#include <cstdio>
#include <string>

#include "effect.h"

namespace vsthost {

void PrintIdentity(std::FILE* out, Effect& effect, const PluginModule& module);
void PrintPrograms(std::FILE* out, Effect& effect);
void PrintParameters(std::FILE* out, Effect& effect);

// Four characters most significant first, as IDs are packed; a character
// that does not print shows as '.'.
std::string FourCharText(VstInt32 id);

}  // namespace vsthost
