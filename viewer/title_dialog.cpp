#include "viewer/title_dialog.h"
