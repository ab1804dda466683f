// The road of one received packet: lock test, announcement, pre-receive
// trigger, pending descriptor, integrity check, decryption, uncompression,
// VOB and view checks, extraction, hand-over to application, and either the
// confirmation (<base>.epoc) or the tossing of the packet with its message.
#pragma once

#include "receiver/config/key_lines.h"
#include "receiver/intake/locked_vobs.h"
#include "receiver/intake/packet_family.h"

// How a packet's road ended.
enum class PacketEnd { Skipped, Announced, Tossed, Confirmed };

// Handles the packet announced by the descriptor of family f. In test mode
// the packet is only announced and no file changes.
PacketEnd process_received_packet(const ReceiverKeyLine& key, const PacketFamily& f, LockedVobMemory& locked);

// A pending descriptor left by an interrupted run: its packet cannot be
// trusted to be whole any more, so it is tossed.
PacketEnd toss_leftover_pending(const ReceiverKeyLine& key, const PacketFamily& f);
