#pragma once

#include <memory>

namespace Quorel {

class AmbientStream;

// An audio device that pulls the ambient sound on a thread of its own. Main thread only; no call
// waits for the device.
class AmbientOutput {
public:
    virtual ~AmbientOutput() = default;

    // Plays stream from now on, once the sound before it has faded out. The device opens when it
    // can, and opens again after it is lost, for as long as the stream is wanted.
    virtual void play(std::shared_ptr<AmbientStream> stream) = 0;

    // Fades out and lets the device go.
    virtual void stop() = 0;

    // The playing stream's gain was set anew. An output that pulls often hears it on its own; one
    // that queues sound far ahead takes back what it queued.
    virtual void gainChanged() {}
};

}  // namespace Quorel
