// Messages of the hand-over from the packet road to the application steps.
#pragma once

inline constexpr char MSG_14[] = "Aborted: Normalization failed:tossed received package (%s)...";
