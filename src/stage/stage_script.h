// The stage script and its interpreter.
#pragma once

#include <cstdint>

namespace velkar {

void StageScriptReset();
void StageScriptStep();
int32_t StageProgress(int32_t frames); // 0..100

} // namespace velkar
