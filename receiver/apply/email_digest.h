// The e-mail digest of the packet in hand: the file is created (private)
// when the first report of the packet needs it.
#pragma once

// Creates the digest unless an earlier report of this packet did; sets
// APPLY_PACKET.EMAIL_IS_POPULATED and HAS_WARNINGS once it exists, else logs
// MSG_83.
void start_email_digest();
