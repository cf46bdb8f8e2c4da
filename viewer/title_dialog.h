// The title dialog (112) of the history viewer.
#pragma once

#include <windows.h>
