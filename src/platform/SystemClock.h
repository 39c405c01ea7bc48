#pragma once
// The local wall-clock time of the machine.

#include "app/Ports.h"

namespace korva {

class SystemClock final : public Clock {
  public:
    LocalTime Now() const override;
};

}  // namespace korva
