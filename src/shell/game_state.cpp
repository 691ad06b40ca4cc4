#include "shell/game_state.h"

GameRecord GameState;
