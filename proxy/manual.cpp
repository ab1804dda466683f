#include "proxy/manual.h"

#include <cstdio>

#include "proxy/proxy_messages.h"
#include "proxy/relay_session.h"

void print_manual(const char* invoked) {
    std::printf(PROXY_USAGE, invoked);
    std::printf(
        "\nSWITCHES\n"
        "\t-ver        print the version and exit\n"
        "\t-help       print the usage line and exit\n"
        "\t-man        print this text and exit\n"
        "\tproxy_file  relay once as the proxy file says\n");
    std::printf(
        "\nDESCRIPTION\n"
        "\t%s carries replication traffic across one hop of a proxy chain, between\n"
        "\ttwo sites that cannot reach each other but can both reach the machines of\n"
        "\tthe chain. One run does two things against one remote machine:\n"
        "\t- it PUSHES every confirmation (epoc.<NNN>.<R>.<L>.epoc) of the local\n"
        "\t  directory into the remote directory, so that confirmations travel back\n"
        "\t  towards the shipper (local copies are kept);\n"
        "\t- it PULLS every complete package (a trailer epoc.<NNN>.<R>.<L>.pack with\n"
        "\t  its data file .crc and every part .crc_<n> the remote listing shows) into\n"
        "\t  the local directory, so that packets travel on towards the receiver.\n"
        "\tFetched files wait in a private staging directory inside the local\n"
        "\tdirectory until the package is known whole (the trailer's digests, or, for\n"
        "\ta trailer without them, a session without errors); then the data are moved\n"
        "\tinto place and the trailer last, and only then is the package deleted on\n"
        "\tthe remote side, in a session of its own. A package that did not arrive\n"
        "\twhole stays on the remote side for the next run. A package whose trailer or\n"
        "\tbusy flag (.pack_pending) is still in the local directory is not fetched\n"
        "\tagain until the receiver has taken it.\n"
        "\tThe remote machine needs no part of this system; all output goes to\n"
        "\tstandard output.\n",
        PROXY_SELF);
    std::printf(
        "\nSTARTING\n"
        "\tRun it once per hop from cron or a scheduler, for example every five\n"
        "\tminutes:  %s /path/to/hop1.proxy >> /path/to/hop1.log\n"
        "\tIt exits 0 when the run ended normally, whatever was or was not moved;\n"
        "\tthe printed lines tell what happened. Every transfer session ends after\n"
        "\t%u seconds at the latest (environment %s to change it).\n",
        PROXY_SELF, RELAY_SESSION_SECONDS, RELAY_SESSION_SECONDS_ENV);
    std::printf(
        "\nTHE PROXY FILE\n"
        "\tThree lines count; empty lines are skipped and every line after the\n"
        "\tthird is comment:\n"
        "\t1. the transfer program, a name on the PATH or a full path without blanks:\n"
        "\t   an ftp client (run as: program -in machine < script) or lftp (run as:\n"
        "\t   lftp -f script);\n"
        "\t2. the local directory: a receiver's intake directory, or the remote\n"
        "\t   directory of the next proxy of the chain;\n"
        "\t3. the passkey of the remote machine, as the passkey tool prints it, in\n"
        "\t   square brackets: it holds the machine, the user, the password and the\n"
        "\t   remote directory.\n"
        "\n\tExamples:\n"
        "\n\t  ftp\n\t  /vandrel/m_bay/_ship_in\n\t  [passkey of the first hop]\n"
        "\n\t  /usr/bin/lftp\n\t  /srv/relay/next_hop\n\t  [passkey of the remote machine]\n"
        "\t  this line and every line after it is comment\n"
        "\n\t  ftp\n\n\t  /data/intake\n\n\t  [passkey]   (empty lines between the lines are skipped)\n"
        "\n\t  lftp\n\t  /data/relay/outbound\n\t  passkey: [passkey]   (text around the brackets is ignored)\n");
    std::fflush(stdout);
}
