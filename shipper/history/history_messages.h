// Messages of the shipper's history passes and conversion. Texts are kept as
// operators know them, spelling included.
#pragma once

namespace history_msg {

inline constexpr char SHIPPER_NAME[] = "vandrel_shipper";

// The rewriting passes over an export text.
inline constexpr char DEBUG_00[] = "expected file (%s) not %s.";
inline constexpr char UNEXPECTED_CASE_XX[] = "UNEXPECTED case %d in (%s).  Inform ZEB.";

// Symbolic-link gathering: each with "READ_FAILED" and the program name first.
inline constexpr char MSG_65b[] = "%s: %s Temp Slink. File (%s) cannot be read. Package Tossed..";
inline constexpr char MSG_65c[] =
    "%s: %s Package contains SLINK_MAX (%d) symbolics links. Make a package with less Symbolic Links. Package "
    "Tossed..";
inline constexpr char MSG_65d[] =
    "%s: %s Package contains excessively long symbolic link (%s). Make a package with smaller Symbolic Links. "
    "Package Tossed..";
inline constexpr char MSG_65f[] =
    "%s: %s Package could not read expected symbolic link description for (%s). Package Tossed..";

// The conversion.
inline constexpr char MSG_00[] = "failed ctar on step %d (%s) : %s";
inline constexpr char MSG_00d[] = "failed ctar on step %d (%s) : unexpected history (%s)";
inline constexpr char MSG_00e[] = "failed ctar on step %d - failed %s portion of (%s): %s";
inline constexpr char POST_PROCESS[] = "post_process";
inline constexpr char DESTRUCT_PROCESS[] = "destruct_process";

}  // namespace history_msg
