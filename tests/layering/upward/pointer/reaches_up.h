// A pointer header that reaches up into the frame driver: the check must refuse it.
#pragma once

#include "tracker/frame_driver.h"
