// Unechoed key input and screen clearing on a terminal, for the interactive
// key tools. When standard input is a terminal it is switched to
// non-canonical mode without echo for the lifetime of the Console and
// restored afterwards (also when the process ends through exit()).
#pragma once

#include <cstddef>
#include <string>
#include <termios.h>

class Console {
public:
    Console();
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // One character without echo; -1 at end of input.
    int getch();
    // Clears the terminal and puts the cursor at the top left.
    void clear_screen();
    void bell();
    void write(const std::string& text);

    enum class FieldKind {
        word,       // no blanks anywhere
        secret,     // no blanks, echoed as "*"
        directory,  // no leading blank; inner blanks kept, trailing removed
    };
    // Reads a field: entry ends at tab, newline, carriage return, end of input
    // or when `capacity` - 1 characters are stored. Refused blanks ring the
    // bell and are not stored; backspace and delete erase the last character.
    std::string read_field(std::size_t capacity, FieldKind kind);

private:
    bool restore_ = false;
    struct termios saved_ {};
};
