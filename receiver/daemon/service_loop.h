// The receiver's working life: the startup trigger, then passes over the
// receiver key lines until a stop request, the end of a single pass, or a
// vanished configuration file ends the process.
#pragma once

[[noreturn]] void body(bool once);
