#pragma once

#include <QString>

namespace Quorel {

// The countdown as the manager publishes it: minutes and seconds, "45:00", "09:59", "180:00".
QString formatRemaining(qint64 remainingSeconds);

}  // namespace Quorel
