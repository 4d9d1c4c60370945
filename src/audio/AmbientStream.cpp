#include "AmbientStream.h"

namespace Quorel {

AmbientStream::AmbientStream(AmbientSound sound, double sampleRate, std::uint64_t seed)
    : m_synth(sound, sampleRate, AmbientRandom(seed)) {}

void AmbientStream::render(float* out, std::size_t frames, std::size_t channels) noexcept {
    // Read once per buffer: a change lands between buffers, never inside one.
    m_synth.render(out, frames, channels, gain());
}

}  // namespace Quorel
