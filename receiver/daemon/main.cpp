// vandrel_receiver: the daemon that applies received packets to the VOBs of
// its site, and its own controller.
#include "receiver/daemon/service_loop.h"
#include "receiver/daemon/startup.h"

int main(int argc, char** argv) {
    body(receiver_startup(argc, argv));
}
