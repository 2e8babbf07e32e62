// Symbols a host may use are marked TD_EXPORT; everything else stays hidden
// inside libTouchDialogs.
#pragma once

#define TD_EXPORT __attribute__((visibility("default")))
