#pragma once

#include <optional>

namespace Quorel {

class AmbientStream;

// An audio device that pulls the ambient sound on a thread of its own. Main thread only.
class AmbientOutput {
public:
    virtual ~AmbientOutput() = default;

    // Opens the device without playing; its sample rate, or nullopt when no device opens.
    virtual std::optional<double> open() = 0;

    // Starts pulling from stream, which must outlive close(); false (and closed) when it cannot.
    virtual bool start(AmbientStream& stream) = 0;

    // Stops pulling and closes the device; the stream is not touched once this returns.
    virtual void close() = 0;

    // Whether the device is open and playing (a device that went away is not).
    virtual bool isPlaying() const = 0;
};

}  // namespace Quorel
