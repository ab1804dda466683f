#include "receiver/config/receiver_state.h"

ReceiverProcess RECEIVER;
