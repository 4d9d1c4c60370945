#include "AmbientSynth.h"

namespace Quorel {

// Compiled once here; every user of AmbientSynth links this instance.
template class BasicAmbientSynth<AmbientRandom>;

}  // namespace Quorel
