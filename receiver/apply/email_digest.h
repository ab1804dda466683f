// The e-mail digest of the packet in hand: the file is created (private)
// when the first report of the packet needs it.
#pragma once

#include <string>

// Creates the digest unless an earlier report of this packet did; sets
// APPLY_PACKET.EMAIL_IS_POPULATED and HAS_WARNINGS once it exists, else logs
// MSG_83.
void start_email_digest();

// Starts the digest (as start_email_digest) and writes a report's banner to
// it and to the warnings log.
void start_digest_report(const std::string& banner);
// Writes text to the e-mail digest and to the warnings log.
void log_to_digest_and_warnings(const std::string& text);
