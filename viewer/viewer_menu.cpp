#include "viewer/viewer_menu.h"

HMENU viewerPopupMenu;

void BuildViewerMenu() {}
