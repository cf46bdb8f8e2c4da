// What the configuration dialog is made of, kept free of windows: its pages,
// the page controls and their places, the tree, the operations list, and the
// checks and stores of 適用.
#pragma once

#include <windows.h>

#include <cstddef>

#include "settings/settings.h"

enum ConfigPage {
    PAGE_NONE = -1,
    PAGE_TARGET,
    PAGE_SAVE,
    PAGE_EDIT,
    PAGE_PRINT,
    PAGE_NOTIFY,
    PAGE_POINTER,
    PAGE_HISTORY_COUNT,
    PAGE_BACKUP,
    PAGE_CLEAR,
    PAGE_HELP,
    CONFIG_PAGE_COUNT
};

// One control of a page, with its place in the dialog's client area (pixels).
struct PageControl {
    int id;
    ConfigPage page;
    RECT rect;
};

// One tree item, in insertion order; `parent` indexes this same table.
struct ConfigTreeItem {
    const wchar_t* text;
    int parent;
    ConfigPage page;
    bool expanded;
};

struct HelpRow {
    const wchar_t* operation;
    const wchar_t* description;
};

constexpr int CONFIG_DIALOG_WIDTH = 570;
constexpr int CONFIG_DIALOG_HEIGHT = 390;
constexpr RECT CONFIG_GROUP_RECT = {203, 12, 203 + 350, 12 + 286};
// The area fields and the history count are read as at most 7 characters.
constexpr int NUMBER_FIELD_CAPACITY = 8;

extern const PageControl PAGE_CONTROLS[];
extern const size_t PAGE_CONTROL_COUNT;
extern const wchar_t* const PAGE_CAPTIONS[CONFIG_PAGE_COUNT];
extern const ConfigTreeItem CONFIG_TREE[];
extern const size_t CONFIG_TREE_COUNT;
extern const HelpRow HELP_ROWS[];
extern const size_t HELP_ROW_COUNT;

// The dialog's top-left corner that centres it in the work area.
POINT CenteredDialogPosition(RECT workArea, int width, int height);

// The C library's decimal rule: leading blanks, a sign, digits; 0 without.
int ReadDecimalField(const wchar_t* text);

// The state of the dialog's controls that 適用 reads.
enum CopyTypeChoice {
    CHOICE_NONE = -1,
    CHOICE_DESKTOP,
    CHOICE_ACTIVE,
    CHOICE_NO_FRAME,
    CHOICE_RANGE,
    CHOICE_AREA
};

struct ConfigInput {
    bool clipboard;
    bool bitmap;
    bool printer;
    bool askSaveName;
    bool savePng;
    wchar_t saveDir[SAVE_DIR_CAPACITY];
    bool printDirectly;
    CopyTypeChoice copyType;
    bool extraArea;
    int areaLeft;
    int areaTop;
    int areaRight;
    int areaBottom;
    bool dotRange;
    bool notRange;
    wchar_t appPath[APP_PATH_CAPACITY];
    wchar_t appParam[APP_PARAM_CAPACITY];
    bool printEdge;
    bool printDialog;
    bool printSysTime;
    bool printHostName;
    bool printIPAddr;
    bool noFlash;
    bool cursor;
    int historyCount;
};

enum ConfigRefusal {
    REFUSAL_NONE,
    REFUSAL_NO_OUTPUT,
    REFUSAL_ZERO_WIDTH,
    REFUSAL_ZERO_HEIGHT,
    REFUSAL_NO_EDIT_APPLICATION,
    REFUSAL_COUNT_TOO_LOW,
    REFUSAL_COUNT_TOO_HIGH
};

// Runs the checks and stores of 適用 up to the history count, in order, on
// `settings`. A refusal stops there and keeps what the steps before it
// stored. SaveNum itself is left to the caller, which may trim first.
ConfigRefusal StoreConfigInput(const ConfigInput& input, SettingsRecord& settings);
const wchar_t* RefusalText(ConfigRefusal refusal);
