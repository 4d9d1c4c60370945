#pragma once

#include <QString>

#include <optional>

namespace Quorel {

// What the engine asks of the desktop about running applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The display name of the application in front; nullopt when nothing is in front or it has
    // no name. Called once a second: must answer without blocking on slow peers.
    virtual std::optional<QString> frontmostApplicationName() = 0;
};

}  // namespace Quorel
