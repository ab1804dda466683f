// The relay's "-man" text.
#pragma once

// Prints the usage, the switches and the description of the relay, its
// start and its proxy file.
void print_manual(const char* invoked);
