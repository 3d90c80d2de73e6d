// Renders the modelled screen of a PtyScreen as an SVG picture with its exact cells and colours.
#pragma once

#include <string>

#include "pty_screen.h"

std::string screen_to_svg(PtyScreen &screen, int rows, int cols);
