// Korvane: a vertical space shooter. All data is read relative to the working directory.
#include "shell/shell.h"

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cstring>

// A shortcut may start the game in any folder. The data sits beside the exe,
// so when the working directory lacks it, the exe's own folder is used.
static void FindDataFolder() {
    constexpr const char* DATA_MARK = "ariblk.ttf";
    if (_access(DATA_MARK, 0) == 0) {
        return;
    }
    char exe[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return;
    }
    char* slash = strrchr(exe, '\\');
    if (slash) {
        *slash = '\0';
        _chdir(exe);
    }
}
#endif

int main(int, char**) {
#ifdef _WIN32
    FindDataFolder();
#endif
    return RunGame();
}
