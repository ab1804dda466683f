// Symbolic links of a received packet. A link whose directory already shows
// in the import view is made while the header records are applied; one whose
// directory the packet itself brings (a new directory of the import) waits
// until the import has made that directory, so that a first packet carries
// its links as well as later ones.
#pragma once

#include <string>

// Makes the link `link` (a view path) with the text `text` in its directory
// `parent`, checking the directory out first (it is checked in with the
// packet's other directories); warns when the link does not show afterwards.
void make_symbolic_link(const std::string& link, const std::string& text, const std::string& parent,
                        const std::string& vob_tag);

// Notes a link whose directory does not show yet, for make_deferred_slinks.
void defer_symbolic_link(const std::string& link, const std::string& text, const std::string& parent);

// After the import: makes the noted links, in packet order.
void make_deferred_slinks(const std::string& vob_tag);
