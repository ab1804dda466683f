// From process entry to the service loop: arguments, depot, log files,
// configuration, control modes, detaching and the start banner.
#pragma once

// Never returns: ends with the exit status of a control mode or a start-up
// failure, or lives on in the service loop.
[[noreturn]] void run_shipper(int argc, char** argv);
