// Everything before the service loop: the command line and its modes, the
// depot and log checks, the configuration, the stop modes, the daemon lock,
// detaching and the start banner.
#pragma once

// Returns true for a single pass ("-once", "-reonce", "-test_once").
bool receiver_startup(int argc, char** argv);
