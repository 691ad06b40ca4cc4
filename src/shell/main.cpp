// Korvane: a vertical space shooter. All data is read relative to the working directory.
#include "shell/shell.h"

int main(int, char**) {
    return RunGame();
}
