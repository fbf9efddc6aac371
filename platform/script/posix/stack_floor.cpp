#include "platform/script/stack_floor.h"

#include <pthread.h>

const char* StackFloor() {
  thread_local const char* floor = [] {
    const char* low = nullptr;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
      void* address = nullptr;
      std::size_t size = 0;
      if (pthread_attr_getstack(&attributes, &address, &size) == 0) {
        low = StackFloorWithin(static_cast<const char*>(address), size);
      }
      pthread_attr_destroy(&attributes);
    }
    return low;
  }();
  return floor;
}
