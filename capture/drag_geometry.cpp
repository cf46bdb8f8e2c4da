#include "capture/drag_geometry.h"
