// createEffectInstance of the test plug-in module: the entry point and the
// record functions of the interface layer around TestEffect.
#include "host/test_effect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) noexcept {
    try {
        return new testhost::TestEffect(audioMaster);
    } catch (...) {
        return nullptr;
    }
}
