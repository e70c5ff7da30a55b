#pragma once

// The main window's selection state lives beside the recipe window, which
// shares it; the windows of this folder include it from here as well.
#include "recipe/SharedState.h"
