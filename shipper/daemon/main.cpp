// vandrel_shipper: the shipping daemon and its own controller.
#include "shipper/daemon/startup.h"

int main(int argc, char** argv) {
    run_shipper(argc, argv);
}
