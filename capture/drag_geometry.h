// The arithmetic of a range drag, kept apart from the overlay window.
#pragma once

#include <windows.h>
