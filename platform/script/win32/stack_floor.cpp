#include "platform/script/stack_floor.h"

#include <windows.h>

const char* StackFloor() {
  thread_local const char* floor = [] {
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    if (high <= low) return static_cast<const char*>(nullptr);
    return StackFloorWithin(reinterpret_cast<const char*>(low), high - low);
  }();
  return floor;
}
