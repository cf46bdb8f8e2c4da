// COM on the user-interface thread for the length of one operation: the
// shell's objects (the folder browser, shortcuts) need an apartment.
#pragma once

#include <objbase.h>

class ScopedComApartment {
  public:
    ScopedComApartment()
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ScopedComApartment() {
        if (initialised_) CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

  private:
    bool initialised_;
};
