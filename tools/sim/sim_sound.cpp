// Loads the effects for velkar-sim and reports what each file gave.
#include "sim_sound.h"

#include <cstdio>

#include "sim_settings.h"
#include "sound/sound.h"

namespace velkar::sim {

std::string LoadEffectsJson(const std::string& waveDir) {
    SetEffectDirectories(nullptr, waveDir.c_str());
    SoundStart(nullptr);
    std::string out = "[";
    for (int32_t n = 0; n < EFFECT_COUNT; ++n) {
        const int32_t bytes =
            EffectLoadResult[n] == 0 ? EffectTable[n].byteCount : EffectLoadResult[n];
        char size[32];
        std::snprintf(size, sizeof size, ",\"bytes\":%d}", static_cast<int>(bytes));
        out += n > 0 ? ",{\"file\":" : "{\"file\":";
        out += JsonString(EffectTable[n].fileName);
        out += size;
    }
    return out + "]";
}

} // namespace velkar::sim
